// Case-insensitive names: registry keys and values, window classes, resource
// types and names, font faces. As on the device, two names are equal when they
// are equal after every UTF-16 unit is upper-cased by one table; this is that
// table for the Latin, Greek and Cyrillic letters (other units stand as they are).
// The layer's own text formats (scripts, regedit files) fold ASCII letters alone.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

constexpr char16_t UpperCaseUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') {
    return static_cast<char16_t>(c - 32);
  }
  if (c < 0xE0) {
    return c;
  }
  if (c <= 0xFE) { // Latin-1 letters, but not the division sign
    return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
  }
  if (c == 0xFF) {
    return 0x178;
  }
  // Latin Extended-A pairs capital and small letters side by side: capitals on
  // even units up to U+0137 and from U+014A, on odd units in between and after.
  if (c >= 0x100 && c <= 0x17E && c != 0x138 && c != 0x149) {
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
    const bool small = oddCapitals ? (c % 2 == 0) : (c % 2 == 1);
    return small ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) { // Greek
    return static_cast<char16_t>(c - 32);
  }
  if (c >= 0x430 && c <= 0x44F) { // Cyrillic
    return static_cast<char16_t>(c - 32);
  }
  if (c >= 0x450 && c <= 0x45F) {
    return static_cast<char16_t>(c - 80);
  }
  return c;
}

inline std::u16string UpperCased(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t &c : out) {
    c = UpperCaseUnit(c);
  }
  return out;
}

// Equal when equal unit for unit after `fold`.
template <class Char, class Fold>
bool EqualFolded(std::basic_string_view<Char> a, std::basic_string_view<Char> b, Fold fold) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](Char x, Char y) { return fold(x) == fold(y); });
}

inline bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return EqualFolded(a, b, UpperCaseUnit);
}

// ASCII letters in lower case; every other byte (UTF-8 beyond ASCII) stands as it is.
constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
  return EqualFolded(a, b, LowerAscii);
}

inline bool StartsWithNoCaseAscii(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualNoCaseAscii(s.substr(0, prefix.size()), prefix);
}

} // namespace platform
