// The regedit text form's pieces: the file's encodings, quoted strings, hex numbers
// and bytes, and the data of string values; shared by the parser and the writer.
#include "registry/hive_codec.h"

#include "common/utf.h"

namespace platform::registry {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && blank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

} // namespace

bool ParseHex32(std::string_view s, DWORD *value) {
  if (s.empty() || s.size() > 8) {
    return false;
  }
  DWORD v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) {
      return false;
    }
    v = (v << 4) | static_cast<DWORD>(d);
  }
  *value = v;
  return true;
}

bool ParseHexBytes(std::string_view s, std::vector<BYTE> *out, std::string *why) {
  s = Trim(s);
  if (s.empty()) {
    return true;
  }
  for (;;) {
    const std::size_t comma = s.find(',');
    const std::string_view item = Trim(s.substr(0, comma));
    if (item.empty() || item.size() > 2) {
      *why = "a hex byte must be one or two digits";
      return false;
    }
    DWORD v = 0;
    if (!ParseHex32(item, &v)) {
      *why = "not a hex digit in the data";
      return false;
    }
    out->push_back(static_cast<BYTE>(v));
    if (comma == std::string_view::npos) {
      return true;
    }
    s.remove_prefix(comma + 1);
  }
}

bool ParseQuoted(std::string_view *s, std::string *out, std::string *why) {
  std::string_view in = *s;
  if (in.empty() || in.front() != '"') {
    *why = "expected a quoted string";
    return false;
  }
  in.remove_prefix(1);
  out->clear();
  while (!in.empty()) {
    const char c = in.front();
    in.remove_prefix(1);
    if (c == '"') {
      *s = in;
      return true;
    }
    if (c == '\\') {
      if (in.empty() || (in.front() != '\\' && in.front() != '"')) {
        *why = "a backslash in a string must be doubled";
        return false;
      }
      out->push_back(in.front());
      in.remove_prefix(1);
    } else {
      out->push_back(c);
    }
  }
  *why = "the string has no closing quote";
  return false;
}

std::vector<BYTE> StringData(std::u16string_view text) {
  std::vector<BYTE> data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    data.push_back(static_cast<BYTE>(c & 0xFF));
    data.push_back(static_cast<BYTE>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

bool StringForm(const Value &v, std::u16string *text) {
  if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) {
    return false;
  }
  text->clear();
  for (std::size_t i = 0; i + 2 < v.data.size(); i += 2) {
    const auto c = static_cast<char16_t>(v.data[i] | (v.data[i + 1] << 8));
    if (c == 0 || c == u'\r' || c == u'\n') {
      return false;
    }
    text->push_back(c);
  }
  return v.data[v.data.size() - 2] == 0 && v.data.back() == 0 && ValidUtf16(*text);
}

void AppendQuoted(std::string *out, std::string_view utf8) {
  out->push_back('"');
  for (char c : utf8) {
    if (c == '\\' || c == '"') {
      out->push_back('\\');
    }
    out->push_back(c);
  }
  out->push_back('"');
}

void AppendHex(std::string *out, unsigned value, int digits) {
  static constexpr char Digits[] = "0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    out->push_back(Digits[(value >> shift) & 0xF]);
  }
}

bool DecodeFile(std::string_view bytes, std::string *text) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      return false;
    }
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return ToUtf8(wide, text);
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  text->assign(bytes);
  return true;
}

} // namespace platform::registry
