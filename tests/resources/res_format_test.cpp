// The .res parser on hand-made files: what it accepts, and every malformation it
// must reject whole with a message naming the fault.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/testing.h"
#include "kernel/module.h"
#include "kernel/resources_res.h"

namespace {

using platform::test::HeadlessDevice;
using Bytes = std::vector<std::byte>;

void PutWord(Bytes &b, unsigned v) {
  b.push_back(static_cast<std::byte>(v & 0xFF));
  b.push_back(static_cast<std::byte>((v >> 8) & 0xFF));
}
void PutDword(Bytes &b, std::uint32_t v) {
  PutWord(b, v & 0xFFFF);
  PutWord(b, v >> 16);
}
void SetDword(Bytes &b, std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Pad4(Bytes &b) {
  while (b.size() % 4 != 0) {
    b.push_back(std::byte{0});
  }
}

// A type or name: an ordinal, or a string.
struct Id {
  int ordinal = -1;
  std::u16string name;
};
Id Ord(int v) { return Id{v, {}}; }
Id Str(std::u16string s) { return Id{-1, std::move(s)}; }

void PutId(Bytes &b, const Id &id) {
  if (id.ordinal >= 0) {
    PutWord(b, 0xFFFF);
    PutWord(b, static_cast<unsigned>(id.ordinal));
    return;
  }
  for (char16_t c : id.name) {
    PutWord(b, c);
  }
  PutWord(b, 0);
}

// Appends one entry and returns its offset.
std::size_t PutEntry(Bytes &b, const Id &type, const Id &name, const Bytes &data,
                     WORD language = 0x409) {
  const std::size_t start = b.size();
  PutDword(b, static_cast<std::uint32_t>(data.size()));
  PutDword(b, 0); // header size, set below
  PutId(b, type);
  PutId(b, name);
  Pad4(b);
  PutDword(b, 0);     // data version
  PutWord(b, 0x1030); // memory flags
  PutWord(b, language);
  PutDword(b, 0); // version
  PutDword(b, 0); // characteristics
  SetDword(b, start + 4, static_cast<std::uint32_t>(b.size() - start));
  b.insert(b.end(), data.begin(), data.end());
  Pad4(b);
  return start;
}

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
    PutWord(d, static_cast<unsigned>(s.size()));
    for (char16_t c : s) {
      PutWord(d, c);
    }
  }
  return d;
}

// A well-formed file: the opening empty entry, a string block and a named blob.
Bytes GoodFile() {
  Bytes b;
  PutEntry(b, Ord(0), Ord(0), {}, 0);
  PutEntry(b, Ord(6), Ord(1), StringBlock({u"", u"Title"}));
  PutEntry(b, Str(u"PNG"), Str(u"CARD"), Data({1, 2, 3, 4, 5}));
  PutEntry(b, Ord(9), Ord(3), Data({0x8B, 0, 'Q', 0, 1, 0, 0, 0}));
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
  EXPECT_TRUE(entries[0].type.isOrdinal);
  EXPECT_EQ(entries[0].type.ordinal, 6);
  EXPECT_EQ(entries[0].language, 0x409);
  EXPECT_FALSE(entries[1].type.isOrdinal);
  EXPECT_EQ(entries[1].type.name, u"PNG");
  EXPECT_EQ(entries[1].name.name, u"CARD");
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(std::to_integer<int>(file[entries[1].offset + 4]), 5);
}

TEST(ResFormat, TheLastEntryMayLackItsPadding) {
  Bytes file = GoodFile();
  PutEntry(file, Ord(10), Ord(7), Data({9}));
  file.resize(file.size() - 3);
  EXPECT_EQ(ParseError(file), "");
}

TEST(ResFormat, MalformedFilesAreRejectedWholeWithTheirFault) {
  struct Case {
    const char *what;
    std::function<Bytes()> make;
    const char *message; // a part of the expected one-line message
  };
  const auto withLast = [](const std::function<void(Bytes &, std::size_t)> &edit) {
    return [edit] {
      Bytes b = GoodFile();
      const std::size_t at = PutEntry(b, Ord(10), Ord(7), Data({9, 9, 9, 9}));
      edit(b, at);
      return b;
    };
  };
  const Case cases[] = {
      {"empty file", [] { return Bytes{}; }, "empty"},
      {"a few stray bytes",
       [] {
         return Data({0, 0, 0});
       },
       "too short for a header"},
      {"truncated inside the header",
       [] {
         Bytes b = GoodFile();
         b.resize(40);
         return b;
       },
       "header size"},
      {"header size below the minimum",
       withLast([](Bytes &b, std::size_t at) { SetDword(b, at + 4, 16); }), "below the minimum"},
      {"misaligned header size",
       withLast([](Bytes &b, std::size_t at) { SetDword(b, at + 4, 34); }), "not a multiple of 4"},
      {"header size past the end",
       withLast([](Bytes &b, std::size_t at) { SetDword(b, at + 4, 4096); }),
       "header size 4096 runs past the end"},
      {"header size that disagrees with its fields", withLast([](Bytes &b, std::size_t at) {
         SetDword(b, at, 0);
         SetDword(b, at + 4, 36);
       }),
       "does not match"},
      {"data past the end", withLast([](Bytes &b, std::size_t at) { SetDword(b, at, 5); }),
       "data size 5 runs past the end"},
      {"absurd data size", withLast([](Bytes &b, std::size_t at) { SetDword(b, at, 0xFFFFFFF0); }),
       "over the limit"},
      {"unterminated name",
       [] {
         Bytes b = GoodFile();
         PutDword(b, 0);
         PutDword(b, 32);
         for (int i = 0; i < 12; ++i) {
           PutWord(b, 'A');
         }
         return b;
       },
       "not terminated"},
      {"empty name",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Ord(10), Str(u""), Data({1}));
         return b;
       },
       "empty name"},
      {"duplicate resource",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Str(u"png"), Str(u"card"), Data({1}));
         return b;
       },
       "duplicate resource png card"},
      {"string block too short",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Ord(6), Ord(2), Data({1, 0, 'x', 0}));
         return b;
       },
       "string block #2"},
      {"string longer than its block",
       [] {
         Bytes block = StringBlock({u"abc"});
         block[0] = std::byte{200};
         Bytes b = GoodFile();
         PutEntry(b, Ord(6), Ord(9), block);
         return b;
       },
       "string 0 of 200 characters"},
      {"accelerator table of a partial entry",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Ord(9), Ord(4), Data({1, 0, 'A', 0, 1, 0}));
         return b;
       },
       "accelerator table #4"},
      {"icon group that is not a directory",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Ord(14), Ord(1), Data({0, 0, 2, 0, 0, 0}));
         return b;
       },
       "not an icon directory"},
      {"icon group with more images than bytes",
       [] {
         Bytes b = GoodFile();
         PutEntry(b, Ord(14), Ord(1), Data({0, 0, 1, 0, 3, 0, 1}));
         return b;
       },
       "3 images run past the end"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes file = c.make();
    const std::string error = ParseError(file);
    EXPECT_NE(error.find(c.message), std::string::npos) << "message: " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    // The module loader rejects the same file whole and says the same.
    HeadlessDevice device;
    std::string loadError;
    EXPECT_EQ(platform::LoadModuleFromRes(file, &loadError), nullptr);
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
    if (!platform::ParseResFile(cut, &entries, &error)) {
      EXPECT_FALSE(error.empty());
    } else {
      for (const auto &e : entries) {
        EXPECT_LE(e.offset + e.size, cut.size());
      }
    }
  }
}

} // namespace
