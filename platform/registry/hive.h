// The HKEY_CURRENT_USER hive in memory (hive.cpp), and its regedit text form
// (hive_parse.cpp reads it, hive_write.cpp writes it, hive_codec.cpp has their pieces).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// Key and value names compare in any case, folded as the device folds every name
// (common/case_fold.h).
struct Value {
  std::u16string name; // empty: the key's default value ("@" in the file)
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  bool operator==(const Value &) const = default;
};

struct Key {
  std::u16string path; // below HKEY_CURRENT_USER, as first created; "" is the root
  std::map<std::u16string, Value, std::less<>> values; // by folded name

  const Value *FindValue(std::u16string_view name) const;
  // Replaces the data of a value of the same name (any case), which keeps the
  // name as first stored, or adds a new value.
  void SetValue(Value value);
  bool DeleteValue(std::u16string_view name);

  bool operator==(const Key &) const = default;
};

// Why a name cannot be stored: it would not survive the text form.
bool IsStorableName(std::u16string_view name);

class Hive {
public:
  Hive();

  // Keys are found by path in any case; the root ("") always exists.
  const Key *Find(std::u16string_view path) const;
  Key *Find(std::u16string_view path);
  // Creates the key and every missing key on its path. Returns the key and
  // whether anything was created.
  Key &Create(std::u16string_view path, bool *created = nullptr);
  // Removes the key and every key below it (the root only loses its values).
  void Remove(std::u16string_view path);

  // By folded path: a key's ancestors come before it.
  const std::map<std::u16string, Key, std::less<>> &Keys() const { return keys_; }
  bool operator==(const Hive &) const = default;

private:
  std::map<std::u16string, Key, std::less<>> keys_;
};

// A path below HKEY_CURRENT_USER split at backslashes and checked: no empty
// component, none longer than 255 units, no control characters. A single
// trailing backslash is tolerated. Returns false for a path that cannot name a key.
bool NormalisePath(std::u16string_view path, std::u16string *normalised);

// Joins a key path and a relative sub-key path ("" on either side allowed).
std::u16string JoinPath(std::u16string_view parent, std::u16string_view child);

struct ParseResult {
  Hive hive;
  // Lines that could not be used (bad syntax, a value outside any key, a key of
  // another root, bad encoding) or a missing header: the file is damaged and a
  // copy is kept before it is replaced.
  std::vector<std::string> problems; // "line N: what was wrong"
  bool Damaged() const { return !problems.empty(); }
};

// Reads the regedit text form: "Windows Registry Editor Version 5.00" (or
// "REGEDIT4"), [key] and [-key] lines, "name"=... and @=... values as "string",
// dword:XXXXXXXX, hex:.. and hex(N):.., "name"=- deletions, ';' comments and
// lines continued with a trailing backslash. UTF-8 (with or without a byte order
// mark) or UTF-16LE with its mark. Unusable lines are skipped and reported.
ParseResult ParseHive(std::string_view text);

// Writes the text form, UTF-8, parsed back by ParseHive to an equal hive.
std::string SerializeHive(const Hive &hive);

} // namespace platform::registry
