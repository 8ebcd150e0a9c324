// UTF-16, the text of the API, to code points and UTF-8 and back: the one conversion
// for every text that leaves or enters the layer (files, faces, traces, glyphs).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code points of UTF-16 text. A surrogate without its other half is no
// character: it becomes U+FFFD, or, with `strict`, makes the call fail.
inline bool DecodeUtf16(std::u16string_view text, std::u32string *out, bool strict = false) {
  out->clear();
  out->reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out->push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                     (static_cast<char32_t>(text[++i]) - 0xDC00));
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      if (strict) {
        return false;
      }
      out->push_back(0xFFFD);
    } else {
      out->push_back(c);
    }
  }
  return true;
}

inline std::u32string CodePoints(std::u16string_view text) {
  std::u32string points;
  DecodeUtf16(text, &points);
  return points;
}

// Whether every surrogate of the text has its other half.
inline bool ValidUtf16(std::u16string_view text) {
  std::u32string unused;
  return DecodeUtf16(text, &unused, true);
}

inline void AppendUtf8(char32_t cp, std::string *out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-16 as UTF-8; with `strict`, false for a lone surrogate (which a text that must
// read back the same cannot hold), else that surrogate is written as U+FFFD.
inline bool ToUtf8(std::u16string_view text, std::string *out, bool strict = true) {
  std::u32string points;
  out->clear();
  if (!DecodeUtf16(text, &points, strict)) {
    return false;
  }
  out->reserve(points.size());
  for (const char32_t cp : points) {
    AppendUtf8(cp, out);
  }
  return true;
}

// For texts that are only shown (a trace, a face name): never fails.
inline std::string Utf8(std::u16string_view text) {
  std::string out;
  ToUtf8(text, &out, false);
  return out;
}

// UTF-8 as UTF-16; false for malformed input (a bad or cut sequence, an overlong
// form, a surrogate, a code point beyond U+10FFFF).
inline bool ToUtf16(std::string_view utf8, std::u16string *out) {
  out->clear();
  out->reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    static constexpr std::array<std::uint32_t, 4> kLeast = {0, 0x80, 0x800, 0x10000};
    int extra = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07u;
    } else {
      return false;
    }
    if (utf8.size() - i <= static_cast<std::size_t>(extra)) {
      return false;
    }
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < kLeast[static_cast<std::size_t>(extra)] || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

} // namespace platform
