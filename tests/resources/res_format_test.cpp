// The .res parser on hand-made files: what it accepts, and every malformation it
// must reject whole with a one-line message naming the fault.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "testing/testing.h"
#include "kernel/module.h"
#include "kernel/resources_res.h"
#include "res_builder.h"

namespace {

using namespace restest;

Bytes Data(std::initializer_list<int> values) {
  Bytes d;
  for (int v : values) {
    d.push_back(static_cast<std::byte>(v));
  }
  return d;
}

Bytes StringBlock(const std::vector<std::u16string> &strings) {
  Bytes d;
  for (std::size_t i = 0; i < 16; ++i) {
    const std::u16string s = i < strings.size() ? strings[i] : u"";
    Put<WORD>(d, static_cast<WORD>(s.size()));
    for (char16_t c : s) {
      Put<WORD>(d, c);
    }
  }
  return d;
}

// A well-formed file: the opening empty entry, a string block, a named blob and an
// accelerator table.
Bytes GoodFile() {
  Bytes b;
  PutEntry(b, 0, 0, {}, 0);
  PutEntry(b, 6, 1, StringBlock({u"", u"Title"}));
  PutEntry(b, u"PNG", u"CARD", Data({1, 2, 3, 4, 5}));
  PutEntry(b, 9, 3, Data({0x8B, 0, 'Q', 0, 1, 0, 0, 0}));
  return b;
}

Bytes GoodFileAnd(const Id &type, const Id &name, const Bytes &data) {
  Bytes b = GoodFile();
  PutEntry(b, type, name, data);
  return b;
}

// The good file with one more entry whose header dwords at +0 (data size) and +4
// (header size) are overwritten where given.
Bytes WithLastSizes(std::int64_t dataSize, std::int64_t headerSize) {
  Bytes b = GoodFile();
  const std::size_t at = PutEntry(b, 10, 7, Data({9, 9, 9, 9}));
  if (dataSize >= 0) {
    Set(b, at, static_cast<DWORD>(dataSize));
  }
  if (headerSize >= 0) {
    Set(b, at + 4, static_cast<DWORD>(headerSize));
  }
  return b;
}

std::string ParseError(const Bytes &file) {
  std::vector<platform::ResourceEntry> entries;
  std::string error;
  if (platform::ParseResFile(file, &entries, &error) &&
      platform::CheckResourceContents(file, entries, &error)) {
    return "";
  }
  return error.empty() ? "(rejected without a message)" : error;
}

TEST(ResFormat, AWellFormedFileParsesIntoItsEntries) {
  const Bytes file = GoodFile();
  std::vector<platform::ResourceEntry> entries;
  std::string error;
  ASSERT_TRUE(platform::ParseResFile(file, &entries, &error)) << error;
  ASSERT_EQ(entries.size(), 3u) << "the opening empty entry is skipped";
  EXPECT_EQ(std::tuple(entries[0].type.ordinal, entries[0].language, entries[1].type.name,
                       entries[1].name.name, entries[1].size,
                       std::to_integer<int>(file[entries[1].offset + 4])),
            std::tuple(6, 0x409, u"PNG", u"CARD", 5u, 5));
  Bytes unpadded = GoodFileAnd(10, 7, Data({9}));
  unpadded.resize(unpadded.size() - 3);
  EXPECT_EQ(ParseError(unpadded), "") << "the last entry may lack its padding";
}

TEST(ResFormat, MalformedFilesAreRejectedWholeWithTheirFault) {
  Bytes unterminated = GoodFile();
  Put<DWORD>(unterminated, 0);
  Put<DWORD>(unterminated, 32);
  PutChars(unterminated, std::string(24, 'A'));
  Bytes cutHeader = GoodFile();
  cutHeader.resize(40);
  Bytes longString = StringBlock({u"abc"});
  longString[0] = std::byte{200};
  struct Case {
    const char *what;
    Bytes file;
    const char *message; // a part of the expected one-line message
  };
  const Case cases[] = {
      {"empty file", {}, "empty"},
      {"a few stray bytes", Data({0, 0, 0}), "too short for a header"},
      {"truncated inside the header", cutHeader, "header size"},
      {"header size below the minimum", WithLastSizes(-1, 16), "below the minimum"},
      {"misaligned header size", WithLastSizes(-1, 34), "not a multiple of 4"},
      {"header size past the end", WithLastSizes(-1, 4096), "header size 4096 runs past the end"},
      {"header size that disagrees with its fields", WithLastSizes(0, 36), "does not match"},
      {"data past the end", WithLastSizes(5, -1), "data size 5 runs past the end"},
      {"absurd data size", WithLastSizes(0xFFFFFFF0, -1), "over the limit"},
      {"unterminated name", unterminated, "not terminated"},
      {"empty name", GoodFileAnd(10, u"", Data({1})), "empty name"},
      {"duplicate resource", GoodFileAnd(u"png", u"card", Data({1})),
       "duplicate resource png card"},
      {"string block too short", GoodFileAnd(6, 2, Data({1, 0, 'x', 0})), "string block #2"},
      {"string longer than its block", GoodFileAnd(6, 9, longString), "string 0 of 200 characters"},
      {"accelerator table of a partial entry", GoodFileAnd(9, 4, Data({1, 0, 'A', 0, 1, 0})),
       "accelerator table #4"},
      {"icon group that is not a directory", GoodFileAnd(14, 1, Data({0, 0, 2, 0, 0, 0})),
       "not an icon directory"},
      {"icon group with more images than bytes", GoodFileAnd(14, 1, Data({0, 0, 1, 0, 3, 0, 1})),
       "3 images run past the end"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string error = ParseError(c.file);
    EXPECT_NE(error.find(c.message), std::string::npos) << "message: " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    // The module loader rejects the same file whole and says the same.
    platform::test::HeadlessDevice device;
    std::string loadError;
    EXPECT_EQ(platform::LoadModuleFromRes(c.file, &loadError), nullptr);
    EXPECT_EQ(loadError, error);
  }
}

TEST(ResFormat, EveryTruncationOfAGoodFileIsRejectedOrParsesAPrefix) {
  // Cutting a valid file anywhere must never read past the cut: either the cut
  // falls on an entry boundary (a shorter valid file) or the parser says why.
  const Bytes file = GoodFile();
  for (std::size_t size = 1; size < file.size(); ++size) {
    SCOPED_TRACE(size);
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    std::vector<platform::ResourceEntry> entries;
    std::string error;
    const bool parsed = platform::ParseResFile(cut, &entries, &error);
    EXPECT_NE(parsed, !error.empty());
    for (const auto &e : parsed ? entries : std::vector<platform::ResourceEntry>{}) {
      EXPECT_LE(e.offset + e.size, cut.size());
    }
  }
}

} // namespace
