// Little-endian byte images for the tests that hand-make files: words, UTF-16 text and .res
// entries.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace restest {

using Bytes = std::vector<std::byte>;

template <typename T> void Put(Bytes &b, T value) {
  const auto *p = reinterpret_cast<const std::byte *>(&value);
  b.insert(b.end(), p, p + sizeof(T));
}
template <typename T> void Set(Bytes &b, std::size_t at, T value) {
  std::memcpy(&b[at], &value, sizeof(T));
}
inline void PutText(Bytes &b, std::u16string_view s) { // with its terminator
  for (const char16_t c : s) {
    Put<WORD>(b, c);
  }
  Put<WORD>(b, 0);
}
inline void PutChars(Bytes &b, std::string_view s) {
  for (const char c : s) {
    b.push_back(static_cast<std::byte>(c));
  }
}
inline void Align(Bytes &b, std::size_t n) { b.resize((b.size() + n - 1) / n * n); }

// A .res type or name: an ordinal (>= 0) or a string.
struct Id {
  Id(int value) : ordinal(value) {}        // NOLINT(google-explicit-constructor)
  Id(const char16_t *text) : name(text) {} // NOLINT(google-explicit-constructor)
  int ordinal = -1;
  std::u16string name;
};

inline void PutId(Bytes &b, const Id &id) {
  if (id.ordinal < 0) {
    PutText(b, id.name);
    return;
  }
  Put<WORD>(b, 0xFFFF);
  Put<WORD>(b, static_cast<WORD>(id.ordinal));
}

// Appends one .res entry and returns its offset.
inline std::size_t PutEntry(Bytes &b, const Id &type, const Id &name, const Bytes &data,
                            WORD language = 0x409) {
  const std::size_t start = b.size();
  Put<DWORD>(b, static_cast<DWORD>(data.size()));
  Put<DWORD>(b, 0); // the header's size, set below
  PutId(b, type);
  PutId(b, name);
  Align(b, 4);
  for (const int word : {0, 0, 0x1030, int{language}, 0, 0, 0, 0}) {
    Put<WORD>(b, static_cast<WORD>(word)); // data version, flags, language, version, features
  }
  Set(b, start + 4, static_cast<DWORD>(b.size() - start));
  b.insert(b.end(), data.begin(), data.end());
  Align(b, 4);
  return start;
}

} // namespace restest
