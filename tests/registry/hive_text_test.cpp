// The hive's text form: a hand-written file loads, bad lines are skipped and
// reported, and whatever is stored is written back so it reads back the same.
#include <gtest/gtest.h>

#include "registry/hive.h"

namespace {

using platform::registry::Hive;
using platform::registry::ParseHive;
using platform::registry::SerializeHive;
using platform::registry::Value;

using Bytes = std::vector<BYTE>;

std::vector<BYTE> Utf16z(std::u16string_view s) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

const Value *Find(const Hive &hive, std::u16string_view key, std::u16string_view name) {
  const auto *k = hive.Find(key);
  return k == nullptr ? nullptr : k->FindValue(name);
}

TEST(HiveText, AHandWrittenFileLoads) {
  const std::string text =
      "\xEF\xBB\xBF"
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; the game's settings, edited by hand\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Quorvane\\BlackJack]\r\n"
      "\"TotalAmount\"=dword:000003E8\r\n"
      "\"NumberOfDecks\" = dword:3\r\n"
      "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
      "@=\"default\"\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "    ff, 0a\r\n"
      "\"Path\"=hex(2):25,00,00,00\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Gone\"=dword:1\r\n"
      "\"Gone\"=-\r\n"
      "\r\n"
      "[hkey_current_user\\software\\quorvane\\blackjack\\Sub]\r\n"
      "\"HitAfterDouble\"=dword:00000001\r\n"
      "[-HKEY_CURRENT_USER\\SOFTWARE\\Old]\r\n"
      "[HKEY_CURRENT_USER]\r\n"
      "\"AtRoot\"=\"r\\u00e9\"\r\n"; // a bad escape: this line alone is skipped
  const auto parsed = ParseHive(text);
  ASSERT_EQ(parsed.problems.size(), 1u);
  EXPECT_EQ(parsed.problems[0].rfind("line 20:", 0), 0u) << parsed.problems[0];
  const Hive &h = parsed.hive;
  const std::u16string key = u"Software\\Quorvane\\BlackJack";
  struct Expect {
    const char16_t *name;
    DWORD type;
    std::vector<BYTE> data;
  };
  const Expect expected[] = {
      {u"TotalAmount", REG_DWORD, Bytes({0xE8, 0x03, 0, 0})},
      {u"numberofdecks", REG_DWORD, Bytes({3, 0, 0, 0})},
      {u"Name", REG_SZ, Utf16z(u"say \"hi\" C:\\dir")},
      {u"", REG_SZ, Utf16z(u"default")},
      {u"Blob", REG_BINARY, Bytes({1, 2, 0xFF, 0x0A})},
      {u"Path", REG_EXPAND_SZ, Bytes({0x25, 0, 0, 0})},
      {u"Empty", REG_BINARY, {}},
  };
  for (const Expect &e : expected) {
    SCOPED_TRACE(std::string(e.name, e.name + std::char_traits<char16_t>::length(e.name)));
    const Value *v = Find(h, key, e.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, e.type);
    EXPECT_EQ(v->data, e.data);
  }
  EXPECT_EQ(Find(h, key, u"Gone"), nullptr);
  EXPECT_EQ(h.Find(key)->values.size(), std::size(expected));
  ASSERT_NE(Find(h, key + u"\\SUB", u"HitAfterDouble"), nullptr);
  EXPECT_EQ(h.Find(u"SOFTWARE\\Old"), nullptr);
  // The key keeps the spelling of the line that created it.
  EXPECT_EQ(h.Find(key)->path, u"SOFTWARE\\Quorvane\\BlackJack");
}

TEST(HiveText, BadLinesAreSkippedWithTheirNumberAndTheRestLoads) {
  struct Case {
    const char *line;
    const char *why; // a word the one-line reason must contain
  };
  const Case cases[] = {
      {"[HKEY_LOCAL_MACHINE\\Software]", "HKEY_CURRENT_USER"},
      {"[HKEY_CURRENT_USER\\a\\\\b]", "key"},
      {"[HKEY_CURRENT_USER\\a", "]"},
      {"\"v\"=dword:123456789", "dword"},
      {"\"v\"=dword:12g4", "dword"},
      {"\"v\"=hex:1,,2", "hex"},
      {"\"v\"=hex(1x):00", "hex(N)"},
      {"\"v\"=\"unterminated", "closing quote"},
      {"\"v\"=\"a\\q\"", "backslash"},
      {"\"v\" dword:1", "'='"},
      {"\"v\"=qword:1", "data"},
      {"\"a\tb\"=dword:1", "control"},
      {"\"v\"=\"\xED\xA0\x80\"", "UTF-8"}, // an encoded surrogate
      {"\"v\"=\"\xC0\xAF\"", "UTF-8"},     // an overlong slash
      {"garbage", "expected"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    const std::string text = std::string("Windows Registry Editor Version 5.00\n"
                                         "[HKEY_CURRENT_USER\\K]\n"
                                         "\"before\"=dword:1\n") +
                             c.line +
                             "\n[HKEY_CURRENT_USER\\K]\n"
                             "\"after\"=dword:2\n";
    const auto parsed = ParseHive(text);
    ASSERT_EQ(parsed.problems.size(), 1u);
    EXPECT_EQ(parsed.problems[0].rfind("line 4: ", 0), 0u) << parsed.problems[0];
    EXPECT_NE(parsed.problems[0].find(c.why), std::string::npos) << parsed.problems[0];
    EXPECT_NE(Find(parsed.hive, u"K", u"before"), nullptr);
    EXPECT_NE(Find(parsed.hive, u"K", u"after"), nullptr);
    EXPECT_EQ(Find(parsed.hive, u"K", u"v"), nullptr);
  }
}

TEST(HiveText, DamageOutsideLinesIsReported) {
  struct Case {
    const char *what;
    std::string text;
    std::size_t values; // under K
  };
  const Case cases[] = {
      {"no header", "[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1\n", 1},
      {"empty file", "", 0},
      {"value before any key", "REGEDIT4\n\"a\"=dword:1\n[HKEY_CURRENT_USER\\K]\n", 0},
      {"values of a foreign key", "REGEDIT4\n[HKEY_USERS\\K]\n\"a\"=dword:1\n", 0},
      {"odd UTF-16", std::string("\xFF\xFE[\0", 4) + "x", 0},
      {"unpaired surrogate in UTF-16", std::string("\xFF\xFE\x00\xD8", 4), 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const auto parsed = ParseHive(c.text);
    EXPECT_TRUE(parsed.Damaged());
    const auto *k = parsed.hive.Find(u"K");
    EXPECT_EQ(k == nullptr ? 0 : k->values.size(), c.values);
  }
}

TEST(HiveText, Utf16FileWithItsMarkLoads) {
  const auto utf16 = Utf16z(u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n"
                            u"\"Name\"=\"\u00e9\u20ac\"\r\n");
  const auto parsed = ParseHive("\xFF\xFE" + std::string(utf16.begin(), utf16.end() - 2));
  EXPECT_FALSE(parsed.Damaged());
  const Value *v = Find(parsed.hive, u"K", u"Name");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->data, Utf16z(u"\u00e9\u20ac"));
}

// Values that cannot be written as "text" or dword: must come back byte for byte.
TEST(HiveText, EveryValueSurvivesWritingAndReading) {
  const Value values[] = {
      {u"dword", REG_DWORD, Bytes({1, 2, 3, 4})},
      {u"short dword", REG_DWORD, Bytes({1, 2, 3})},
      {u"text", REG_SZ, Utf16z(u"a \"quoted\" \\ path\twith tab")},
      {u"no terminator", REG_SZ, Bytes({'a', 0})},
      {u"inner nul", REG_SZ, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0})},
      {u"line break", REG_SZ, Utf16z(u"a\nb")},
      {u"lone surrogate", REG_SZ, Bytes({0x00, 0xD8, 0, 0})},
      {u"astral", REG_SZ, Utf16z(u"\U0001F0A1")},
      {u"empty binary", REG_BINARY, {}},
      {u"none", REG_NONE, Bytes({9})},
      {u"big type", 0x12345678, Bytes({7})},
      {u"", REG_SZ, Utf16z(u"default")},
      {u"back\\slash \"name\" \u00e9", REG_DWORD, Bytes({0, 0, 0, 0})},
  };
  Hive hive;
  for (const Value &v : values) {
    hive.Create(u"SOFTWARE\\Mixed Case\\\u00c9t\u00e9").SetValue(v);
  }
  hive.Create(u"Empty\\Leaf");
  hive.Create(u"").SetValue(Value{u"root", REG_DWORD, Bytes({1, 0, 0, 0})});
  const std::string text = SerializeHive(hive);
  const auto parsed = ParseHive(text);
  EXPECT_TRUE(parsed.problems.empty()) << parsed.problems[0] << "\n" << text;
  EXPECT_TRUE(parsed.hive == hive) << text;
  EXPECT_EQ(SerializeHive(parsed.hive), text);
  EXPECT_NE(text.find("\"dword\"=dword:04030201"), std::string::npos) << text;
}

} // namespace
