// The .res parser: the file header of each resource, its names, and its data.
//
// A .res is a sequence of entries, each starting on a 4-byte boundary:
//   DWORD DataSize, DWORD HeaderSize,
//   TYPE and NAME (each 0xFFFF + WORD ordinal, or a 0-terminated UTF-16 string),
//   padding to 4 bytes, DWORD DataVersion, WORD MemoryFlags, WORD LanguageId,
//   DWORD Version, DWORD Characteristics,
//   DataSize bytes of data, padding to 4 bytes.
#include "kernel/resources_res.h"
#include "common/case_fold.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <tuple>

namespace platform {
namespace {

constexpr std::size_t kFixedTail = 16; // DataVersion .. Characteristics
constexpr std::size_t kMinHeader = 8 + 4 + 4 + kFixedTail;

std::size_t Align4(std::size_t v) { return (v + 3) & ~std::size_t{3}; }

WORD ReadWord(std::span<const std::byte> bytes, std::size_t at) {
  WORD v = 0;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

DWORD ReadDword(std::span<const std::byte> bytes, std::size_t at) {
  DWORD v = 0;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  return v;
}

std::string Hex(std::size_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%zx", v);
  return text;
}

// Reads a TYPE or NAME field in [at, end). Returns the offset after it, or 0 with
// *error set.
std::size_t ReadId(std::span<const std::byte> bytes, std::size_t at, std::size_t end,
                   const char *what, ResourceId *id, std::string *error) {
  if (at + 2 > end) {
    *error = std::string(what) + " runs past the end of the header";
    return 0;
  }
  if (ReadWord(bytes, at) == 0xFFFF) {
    if (at + 4 > end) {
      *error = std::string(what) + " ordinal runs past the end of the header";
      return 0;
    }
    id->isOrdinal = true;
    id->ordinal = ReadWord(bytes, at + 2);
    return at + 4;
  }
  id->isOrdinal = false;
  id->name.clear();
  for (std::size_t p = at; p + 2 <= end; p += 2) {
    const auto c = static_cast<char16_t>(ReadWord(bytes, p));
    if (c == 0) {
      if (id->name.empty()) {
        *error = std::string("empty ") + what;
        return 0;
      }
      return p + 2;
    }
    id->name.push_back(c);
  }
  *error = std::string(what) + " is not terminated within the header";
  return 0;
}

struct EntryKey {
  bool typeOrdinal;
  WORD typeValue;
  std::u16string typeName;
  bool nameOrdinal;
  WORD nameValue;
  std::u16string nameName;
  WORD language;
  bool operator<(const EntryKey &o) const {
    return std::tie(typeOrdinal, typeValue, typeName, nameOrdinal, nameValue, nameName, language) <
           std::tie(o.typeOrdinal, o.typeValue, o.typeName, o.nameOrdinal, o.nameValue, o.nameName,
                    o.language);
  }
};

EntryKey KeyOf(const ResourceEntry &e) {
  return EntryKey{e.type.isOrdinal, e.type.ordinal, UpperCased(e.type.name),
                  e.name.isOrdinal, e.name.ordinal, UpperCased(e.name.name),
                  e.language};
}

} // namespace

ResourceId ResourceId::FromArgument(LPCWSTR argument) {
  ResourceId id;
  if (IS_INTRESOURCE(argument)) {
    id.ordinal = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(argument));
    return id;
  }
  // A string is a name: the device's callers never write an ordinal as "#123".
  id.isOrdinal = false;
  id.name = argument;
  return id;
}

bool ResourceId::Matches(const ResourceId &other) const {
  if (isOrdinal != other.isOrdinal) {
    return false;
  }
  if (isOrdinal) {
    return ordinal == other.ordinal;
  }
  return EqualNoCase(name, other.name);
}

std::string ResourceId::Describe() const {
  if (isOrdinal) {
    return "#" + std::to_string(ordinal);
  }
  std::string out;
  for (char16_t c : name) {
    out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  }
  return out;
}

namespace {

// The two sizes that open the header of the entry at `at`, checked against what
// is left of the file and against the limits; false with the reason.
bool ReadSizes(std::span<const std::byte> file, std::size_t at, std::size_t *dataSize,
               std::size_t *headerSize, std::string *why) {
  if (file.size() - at < 8) {
    *why = "only " + std::to_string(file.size() - at) + " bytes left, too short for a header";
    return false;
  }
  *dataSize = ReadDword(file, at);
  *headerSize = ReadDword(file, at + 4);
  const std::string header = "header size " + std::to_string(*headerSize);
  const std::string data = "data size " + std::to_string(*dataSize);
  if (*headerSize < kMinHeader) {
    *why = header + " is below the minimum of " + std::to_string(kMinHeader);
  } else if (*headerSize % 4 != 0) {
    *why = header + " is not a multiple of 4";
  } else if (*headerSize > file.size() - at) {
    *why = header + " runs past the end of the file";
  } else if (*dataSize > kMaxResourceBytes) {
    *why = data + " is over the limit of " + std::to_string(kMaxResourceBytes);
  } else if (*dataSize > file.size() - at - *headerSize) {
    *why = data + " runs past the end of the file (" + std::to_string(file.size()) + " bytes)";
  } else {
    return true;
  }
  return false;
}

// The rest of the header: the type and the name, which must end where the header's
// size says, then the memory flags and the language; false with the reason.
bool ReadEntryHeader(std::span<const std::byte> file, std::size_t at, std::size_t headerSize,
                     ResourceEntry *entry, std::string *why) {
  const std::size_t headerEnd = at + headerSize;
  std::size_t p = ReadId(file, at + 8, headerEnd - kFixedTail, "type", &entry->type, why);
  if (p != 0) {
    p = ReadId(file, p, headerEnd - kFixedTail, "name", &entry->name, why);
  }
  if (p == 0) {
    return false;
  }
  if (Align4(p) + kFixedTail != headerEnd) {
    *why = "header size " + std::to_string(headerSize) + " does not match its fields (" +
           std::to_string(Align4(p) + kFixedTail - at) + " bytes)";
    return false;
  }
  entry->memoryFlags = ReadWord(file, Align4(p) + 4);
  entry->language = ReadWord(file, Align4(p) + 6);
  entry->offset = headerEnd;
  return true;
}

} // namespace

bool ParseResFile(std::span<const std::byte> file, std::vector<ResourceEntry> *entries,
                  std::string *error) {
  entries->clear();
  if (file.empty()) {
    *error = "the .res file is empty";
    return false;
  }
  if (file.size() > kMaxResFileBytes) {
    *error = "the .res file is " + std::to_string(file.size()) + " bytes, over the limit of " +
             std::to_string(kMaxResFileBytes);
    return false;
  }
  std::set<EntryKey> seen;
  std::size_t index = 0;
  for (std::size_t at = 0; at < file.size(); ++index) {
    const std::string where = "resource " + std::to_string(index) + " at offset " + Hex(at);
    std::string why;
    std::size_t dataSize = 0;
    std::size_t headerSize = 0;
    ResourceEntry entry;
    if (!ReadSizes(file, at, &dataSize, &headerSize, &why) ||
        !ReadEntryHeader(file, at, headerSize, &entry, &why)) {
      *error = where + ": " + why;
      return false;
    }
    entry.size = dataSize;
    // The next entry starts at the next 4-byte boundary; the padding after the
    // last entry may be missing.
    at = std::min(file.size(), Align4(entry.offset + dataSize));
    if (entry.type.isOrdinal && entry.type.ordinal == 0) {
      continue; // the empty entry that opens the file
    }
    if (entries->size() == kMaxResourceCount) {
      *error = where + ": more than " + std::to_string(kMaxResourceCount) + " resources";
      return false;
    }
    if (!seen.insert(KeyOf(entry)).second) {
      *error = where + ": duplicate resource " + entry.type.Describe() + " " +
               entry.name.Describe() + " language " + std::to_string(entry.language);
      return false;
    }
    entries->push_back(std::move(entry));
  }
  return true;
}

namespace {

std::string Name(const ResourceEntry &e, const char *kind) {
  return std::string(kind) + " " + e.name.Describe();
}

// A block of a string table holds exactly 16 counted strings.
bool CheckStringBlock(std::span<const std::byte> data, const ResourceEntry &e, std::string *error) {
  std::size_t at = 0;
  for (int i = 0; i < 16; ++i) {
    if (data.size() - at < 2) {
      *error = Name(e, "string block") + ": string " + std::to_string(i) +
               " runs past the end of the block";
      return false;
    }
    const std::size_t length = ReadWord(data, at);
    at += 2;
    if (length * 2 > data.size() - at) {
      *error = Name(e, "string block") + ": string " + std::to_string(i) + " of " +
               std::to_string(length) + " characters runs past the end of the block";
      return false;
    }
    at += length * 2;
  }
  return true;
}

// Accelerator entries are 8 bytes; the last one carries the 0x80 flag.
bool CheckAccelerators(std::span<const std::byte> data, const ResourceEntry &e,
                       std::string *error) {
  if (data.empty() || data.size() % 8 != 0) {
    *error = Name(e, "accelerator table") + ": size " + std::to_string(data.size()) +
             " is not a whole number of 8-byte entries";
    return false;
  }
  return true;
}

// An icon group: reserved 0, type 1, a count, then 14 bytes per image.
bool CheckIconGroup(std::span<const std::byte> data, const ResourceEntry &e, std::string *error) {
  if (data.size() < 6) {
    *error = Name(e, "icon group") + ": " + std::to_string(data.size()) +
             " bytes, too short for its header";
    return false;
  }
  if (ReadWord(data, 0) != 0 || ReadWord(data, 2) != 1) {
    *error = Name(e, "icon group") + ": not an icon directory";
    return false;
  }
  const std::size_t count = ReadWord(data, 4);
  if (6 + count * 14 > data.size()) {
    *error = Name(e, "icon group") + ": " + std::to_string(count) +
             " images run past the end of the group";
    return false;
  }
  return true;
}

} // namespace

bool CheckResourceContents(std::span<const std::byte> file,
                           const std::vector<ResourceEntry> &entries, std::string *error) {
  using Check = bool (*)(std::span<const std::byte>, const ResourceEntry &, std::string *);
  struct Rule {
    WORD type;
    Check check;
  };
  static constexpr Rule rules[] = {
      {6, CheckStringBlock},  // RT_STRING
      {9, CheckAccelerators}, // RT_ACCELERATOR
      {14, CheckIconGroup},   // RT_GROUP_ICON
  };
  for (const ResourceEntry &e : entries) {
    for (const Rule &rule : rules) {
      if (e.type.isOrdinal && e.type.ordinal == rule.type &&
          !rule.check(file.subspan(e.offset, e.size), e, error)) {
        return false;
      }
    }
  }
  return true;
}

} // namespace platform
