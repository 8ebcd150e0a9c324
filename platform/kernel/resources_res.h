// The compiled resource file (.res) format: a parser that checks every length.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace platform {

// A resource type or name: a 16-bit ordinal or a string compared without case.
struct ResourceId {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::u16string name;

  // Parses the Win32 argument form: MAKEINTRESOURCE(n) or a name.
  static ResourceId FromArgument(LPCWSTR argument);
  bool Matches(const ResourceId &other) const;
  std::string Describe() const; // "#5" or "PNG", for messages
};

// One resource of the file: where its data lies within the file's bytes.
struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  WORD language = 0;
  WORD memoryFlags = 0;
  std::size_t offset = 0; // of the data, from the start of the file
  std::size_t size = 0;
};

// The largest .res accepted, and the largest single resource: far above what the
// game needs, low enough that a corrupt length cannot ask for gigabytes.
inline constexpr std::size_t kMaxResFileBytes = 256u << 20;
inline constexpr std::size_t kMaxResourceBytes = 64u << 20;
inline constexpr std::size_t kMaxResourceCount = 65536;

// Reads the entries of a .res file. The whole file is checked first: a file that
// is short, has a length running past its end, a misaligned header, an absurd
// size, an unterminated or empty name or a duplicate resource is rejected whole,
// with *error set to one line naming the fault and where it is. The empty entry
// that starts every .res (type 0) is skipped.
bool ParseResFile(std::span<const std::byte> file, std::vector<ResourceEntry> *entries,
                  std::string *error);

// Checks the contents of the kinds of resource that the layer interprets (string
// tables, accelerator tables and icon groups), so that reading them later cannot
// run past their data. Returns false with a one-line *error for the first fault.
bool CheckResourceContents(std::span<const std::byte> file,
                           const std::vector<ResourceEntry> &entries, std::string *error);

} // namespace platform
