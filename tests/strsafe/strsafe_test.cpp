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
  EXPECT_EQ(run(u"%d(%d)", INT_MAX, 0), "2147483647(0)");
  EXPECT_EQ(run(u"%d(%d)", INT_MIN, INT_MIN), "-2147483648(-2147483648)");
  EXPECT_EQ(run(u"%s and %s", u"one", u"two"), "one and two");
  EXPECT_EQ(run(u"%S|%hs", "narrow", "also"), "narrow|also");
  EXPECT_EQ(run(u"%5d|%-5d|%05d", 42, 42, 42), "   42|42   |00042");
  EXPECT_EQ(run(u"%+d % d", 3, 3), "+3  3");
  EXPECT_EQ(run(u"%u %x %X %#x %o", 4294967295u, 255u, 255u, 255u, 8u), "4294967295 ff FF 0xff 10");
  EXPECT_EQ(run(u"%ld %lu", 123, 456u), "123 456") << "'l' is 32 bits, as on the device";
  EXPECT_EQ(run(u"%lld %I64d", -5000000000LL, 7LL), "-5000000000 7");
  EXPECT_EQ(run(u"%zu", static_cast<std::size_t>(99)), "99");
  EXPECT_EQ(run(u"%c%c", static_cast<int>(u'o'), static_cast<int>(u'k')), "ok");
  EXPECT_EQ(run(u"%.3s|%6.2s|%-4s|", u"abcdef", u"xyz", u"ab"), "abc|    xy|ab  |");
  EXPECT_EQ(run(u"%*d|%.*d", 4, 7, 3, 7), "   7|007");
  EXPECT_EQ(run(u"100%%"), "100%");
  EXPECT_EQ(run(u"%s", static_cast<const WCHAR *>(nullptr)), "(null)");
  EXPECT_EQ(StringCchPrintfW(buffer, 64, u"%q", 1), STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(buffer[0], 0);
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
  EXPECT_EQ(StringCchPrintfW(buffer, std::size_t{STRSAFE_MAX_CCH} + 1, u"x"),
            STRSAFE_E_INVALID_PARAMETER);
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
  EXPECT_EQ(StringCchLengthW(nullptr, 3, &length), STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(StringCchLengthW(u"", 1, nullptr), S_OK);
}

} // namespace
