// The bounded string functions: formats the game uses, cutting and termination,
// and the parameter checks.
#include <strsafe.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string Narrow(const WCHAR *s) {
  std::string out;
  for (; *s != 0; ++s) {
    out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
  }
  return out;
}

TEST(StringCchPrintf, Conversions) {
  WCHAR buffer[64];
  const auto run = [&](const char16_t *format, auto... args) {
    EXPECT_EQ(StringCchPrintfW(buffer, 64, format, args...), S_OK);
    return Narrow(buffer);
  };
  EXPECT_EQ(run(u"BANK: $%d", 1000), "BANK: $1000");
  EXPECT_EQ(run(u"%d(%d)", -5, 12), "-5(12)"); // the renderer's totals
  EXPECT_EQ(run(u"%d(%d)", INT_MIN, INT_MIN), "-2147483648(-2147483648)");
  EXPECT_EQ(run(u"100%%"), "100%");
  // What the device's callers never write is refused, not guessed at.
  for (const char16_t *format : {u"%s", u"%5d", u"%ld", u"%"}) {
    EXPECT_EQ(StringCchPrintfW(buffer, 64, format, 1), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(buffer[0], 0);
  }
}

TEST(StringCchPrintf, CutsToTheBufferAndSaysSo) {
  struct Case {
    std::size_t size;
    HRESULT result;
    std::string text;
  };
  const Case cases[] = {
      {12, S_OK, "BANK: $1000"},
      {11, STRSAFE_E_INSUFFICIENT_BUFFER, "BANK: $100"},
      {2, STRSAFE_E_INSUFFICIENT_BUFFER, "B"},
      {1, STRSAFE_E_INSUFFICIENT_BUFFER, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.size);
    WCHAR buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(StringCchPrintfW(buffer, c.size, u"BANK: $%d", 1000), c.result);
    EXPECT_EQ(Narrow(buffer), c.text);
    EXPECT_EQ(buffer[c.size], u'#') << "nothing written past the buffer";
  }
  WCHAR buffer[4];
  EXPECT_EQ(StringCchPrintfW(buffer, 0, u"x"), STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(StringCchPrintfW(nullptr, 4, u"x"), STRSAFE_E_INVALID_PARAMETER);
}

TEST(StringCchCopyAndCat, CutAndTerminate) {
  WCHAR buffer[8];
  EXPECT_EQ(StringCchCopyW(buffer, 8, u"Options"), S_OK);
  EXPECT_EQ(Narrow(buffer), "Options");
  EXPECT_EQ(StringCchCopyW(buffer, 5, u"Options"), STRSAFE_E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Narrow(buffer), "Opti");
  EXPECT_EQ(StringCchCopyW(buffer, 8, u""), S_OK);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(StringCchCopyW(buffer, 0, u"x"), STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(StringCchCopyW(buffer, 8, u"Dea"), S_OK);
  EXPECT_EQ(StringCchCatW(buffer, 8, u"l"), S_OK);
  EXPECT_EQ(Narrow(buffer), "Deal");
  EXPECT_EQ(StringCchCatW(buffer, 8, u"ing it"), STRSAFE_E_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Narrow(buffer), "Dealing");
}

TEST(StringCchLength, CountsWithinTheLimit) {
  std::size_t length = 99;
  EXPECT_EQ(StringCchLengthW(u"Hit", 10, &length), S_OK);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(StringCchLengthW(u"Hit", 4, &length), S_OK);
  EXPECT_EQ(StringCchLengthW(u"Hit", 3, &length), STRSAFE_E_INVALID_PARAMETER)
      << "no terminator within the limit";
  EXPECT_EQ(length, 0u);
}

} // namespace
