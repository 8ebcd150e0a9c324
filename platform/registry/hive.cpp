// The hive in memory and its regedit text form: parsing and writing.
#include "registry/hive.h"
#include "common/case_fold.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace platform::registry {
namespace {

constexpr std::string_view Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view OldHeader = "REGEDIT4";
constexpr std::string_view RootName = "HKEY_CURRENT_USER";
constexpr std::size_t MaxComponent = 255;
constexpr std::size_t MaxPath = 1024;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool ValidSurrogates(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsHigh(s[i]) && i + 1 < s.size() && IsLow(s[i + 1])) {
      ++i;
    } else if (IsHigh(s[i]) || IsLow(s[i])) {
      return false;
    }
  }
  return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

bool StartsWithIgnoringAsciiCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoringAsciiCase(s.substr(0, prefix.size()), prefix);
}

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

// 1 to 8 hex digits, nothing else.
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

// "aa,bb , c" -> bytes; an empty list is zero bytes.
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

// A quoted string at the start of `s` with \\ and \" escapes; `s` is left after it.
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

// A REG_SZ written as "text" must read back to the same bytes: one terminating
// NUL, none inside, no line breaks, valid UTF-16.
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
  return v.data[v.data.size() - 2] == 0 && v.data.back() == 0 && ValidSurrogates(*text);
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

// Decodes the file's bytes to UTF-8 text without a byte order mark.
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

struct Line {
  std::size_t number = 0; // of its first physical line
  std::string text;
};

// Physical lines joined where one ends with a backslash (regedit's continuation).
std::vector<Line> LogicalLines(std::string_view text) {
  std::vector<Line> lines;
  bool continuing = false;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view physical = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (!physical.empty() && physical.back() == '\r') {
      physical.remove_suffix(1);
    }
    std::string_view part = continuing ? Trim(physical) : physical;
    const std::string_view trimmed = Trim(part);
    const bool continues = !trimmed.empty() && trimmed.back() == '\\' &&
                           (continuing || trimmed.front() == '"' || trimmed.front() == '@');
    if (continues) {
      part = trimmed.substr(0, trimmed.size() - 1);
    }
    if (continuing) {
      lines.back().text.append(part);
    } else {
      lines.push_back(Line{number, std::string(part)});
    }
    continuing = continues;
  }
  return lines;
}

class Parser {
public:
  ParseResult Run(std::string_view bytes) {
    std::string text;
    if (!DecodeFile(bytes, &text)) {
      Problem(1, "the file is not valid UTF-16");
      return std::move(result_);
    }
    const std::vector<Line> lines = LogicalLines(text);
    bool first = true;
    for (const Line &line : lines) {
      const std::string_view body = Trim(line.text);
      if (first && body.empty()) {
        continue;
      }
      if (first && (body == Header || body == OldHeader)) {
        first = false;
        continue;
      }
      if (first) {
        Problem(line.number, "missing the header \"Windows Registry Editor Version 5.00\"");
        first = false;
      }
      std::u16string unused;
      if (!ToUtf16(body, &unused)) {
        Problem(line.number, "not valid UTF-8");
        continue;
      }
      ParseLine(line.number, body);
    }
    if (first) {
      Problem(1, "the file is empty");
    }
    return std::move(result_);
  }

private:
  void Problem(std::size_t line, const std::string &what) {
    result_.problems.push_back("line " + std::to_string(line) + ": " + what);
  }

  void ParseLine(std::size_t number, std::string_view body) {
    if (body.empty() || body.front() == ';') {
      return;
    }
    std::string why;
    bool ok = false;
    if (body.front() == '[') {
      ok = ParseKeyLine(body, &why);
    } else if (body.front() == '"' || body.front() == '@') {
      ok = ParseValueLine(body, &why);
    } else {
      why = "expected a [key] line, a value or a comment";
    }
    if (!ok) {
      Problem(number, why);
    }
  }

  bool ParseKeyLine(std::string_view body, std::string *why) {
    haveKey_ = false;
    if (body.back() != ']') {
      *why = "a key line must end with ']'";
      return false;
    }
    body = body.substr(1, body.size() - 2);
    const bool remove = !body.empty() && body.front() == '-';
    if (remove) {
      body.remove_prefix(1);
    }
    if (!StartsWithIgnoringAsciiCase(body, RootName)) {
      *why = "the key is not under HKEY_CURRENT_USER";
      return false;
    }
    body.remove_prefix(RootName.size());
    if (!body.empty() && body.front() != '\\') {
      *why = "the key is not under HKEY_CURRENT_USER";
      return false;
    }
    if (!body.empty()) {
      body.remove_prefix(1);
    }
    std::u16string wide;
    std::u16string path;
    if (!ToUtf16(body, &wide) || !NormalisePath(wide, &path)) {
      *why = "the key path is not a valid key name";
      return false;
    }
    if (remove) {
      result_.hive.Remove(path);
      return true;
    }
    result_.hive.Create(path);
    key_ = FoldName(path);
    haveKey_ = true;
    return true;
  }

  bool ParseValueLine(std::string_view body, std::string *why) {
    std::string name;
    if (body.front() == '@') {
      body.remove_prefix(1);
    } else if (!ParseQuoted(&body, &name, why)) {
      return false;
    }
    body = Trim(body);
    if (body.empty() || body.front() != '=') {
      *why = "expected '=' after the value name";
      return false;
    }
    body = Trim(body.substr(1));
    Value value;
    if (!ToUtf16(name, &value.name) || !IsStorableName(value.name)) {
      *why = "the value name has control characters or bad UTF-8";
      return false;
    }
    const bool remove = body == "-";
    if (!remove && !ParseData(body, &value, why)) {
      return false;
    }
    Key *key = haveKey_ ? result_.hive.Find(key_) : nullptr;
    if (key == nullptr) {
      *why = "the value belongs to no key";
      return false;
    }
    if (remove) {
      key->DeleteValue(value.name);
    } else {
      key->SetValue(std::move(value));
    }
    return true;
  }

  static bool ParseData(std::string_view body, Value *value, std::string *why) {
    if (!body.empty() && body.front() == '"') {
      std::string text;
      if (!ParseQuoted(&body, &text, why)) {
        return false;
      }
      std::u16string wide;
      if (!body.empty() || !ToUtf16(text, &wide)) {
        *why = "text after the closing quote";
        return false;
      }
      value->type = REG_SZ;
      value->data = StringData(wide);
      return true;
    }
    if (StartsWithIgnoringAsciiCase(body, "dword:")) {
      DWORD v = 0;
      if (!ParseHex32(body.substr(6), &v)) {
        *why = "a dword needs one to eight hex digits";
        return false;
      }
      value->type = REG_DWORD;
      value->data = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                     static_cast<BYTE>(v >> 24)};
      return true;
    }
    if (StartsWithIgnoringAsciiCase(body, "hex:")) {
      value->type = REG_BINARY;
      return ParseHexBytes(body.substr(4), &value->data, why);
    }
    if (StartsWithIgnoringAsciiCase(body, "hex(")) {
      const std::size_t close = body.find(')');
      if (close == std::string_view::npos || close + 1 >= body.size() || body[close + 1] != ':' ||
          !ParseHex32(body.substr(4, close - 4), &value->type)) {
        *why = "hex(N): needs a type of one to eight hex digits";
        return false;
      }
      return ParseHexBytes(body.substr(close + 2), &value->data, why);
    }
    *why = "the data is not a string, dword:, hex: or hex(N):";
    return false;
  }

  ParseResult result_;
  std::u16string key_; // folded path of the current key
  bool haveKey_ = false;
};

} // namespace

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), UpperCaseUnit);
  return folded;
}

bool IsStorableName(std::u16string_view name) {
  return std::none_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }) &&
         ValidSurrogates(name);
}

const Value *Key::FindValue(std::u16string_view name) const {
  const auto it = values.find(FoldName(name));
  return it == values.end() ? nullptr : &it->second;
}

void Key::SetValue(Value value) {
  auto [it, inserted] = values.try_emplace(FoldName(value.name));
  if (inserted) {
    it->second = std::move(value);
  } else {
    it->second.type = value.type;
    it->second.data = std::move(value.data);
  }
}

bool Key::DeleteValue(std::u16string_view name) { return values.erase(FoldName(name)) != 0; }

Hive::Hive() { keys_.emplace(u"", Key{}); }

const Key *Hive::Find(std::u16string_view path) const {
  const auto it = keys_.find(FoldName(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key *Hive::Find(std::u16string_view path) {
  const auto it = keys_.find(FoldName(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key &Hive::Create(std::u16string_view path, bool *created) {
  if (created != nullptr) {
    *created = false;
  }
  const std::u16string folded = FoldName(path);
  if (const auto found = keys_.find(folded); found != keys_.end()) {
    return found->second;
  }
  Key *key = &keys_.at(u"");
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) {
      end = path.size();
    }
    const std::u16string_view prefix = std::u16string_view(folded).substr(0, end);
    auto it = keys_.find(prefix);
    if (it == keys_.end()) {
      // A new key takes its parent's name as stored, then its own as given.
      it = keys_.emplace(std::u16string(prefix), Key{}).first;
      it->second.path = JoinPath(key->path, path.substr(start, end - start));
      if (created != nullptr) {
        *created = true;
      }
    }
    key = &it->second;
    start = end + 1;
  }
  return *key;
}

void Hive::Remove(std::u16string_view path) {
  const std::u16string folded = FoldName(path);
  if (folded.empty()) {
    keys_.clear();
    keys_.emplace(u"", Key{});
    return;
  }
  keys_.erase(folded);
  // Every key below sorts between "path\\" and "path]", the next character.
  keys_.erase(keys_.lower_bound(folded + u'\\'), keys_.lower_bound(folded + u']'));
}

bool NormalisePath(std::u16string_view path, std::u16string *normalised) {
  if (!path.empty() && path.back() == u'\\') {
    path.remove_suffix(1);
  }
  if (path.size() > MaxPath) {
    return false;
  }
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) {
      end = path.size();
    }
    const std::u16string_view part = path.substr(start, end - start);
    if (part.empty() || part.size() > MaxComponent || !IsStorableName(part)) {
      return false;
    }
    start = end + 1;
  }
  if (!path.empty() && path.back() == u'\\') {
    return false; // two trailing backslashes: an empty last component
  }
  normalised->assign(path);
  return true;
}

std::u16string JoinPath(std::u16string_view parent, std::u16string_view child) {
  if (parent.empty()) {
    return std::u16string(child);
  }
  if (child.empty()) {
    return std::u16string(parent);
  }
  std::u16string joined(parent);
  joined.push_back(u'\\');
  joined.append(child);
  return joined;
}

ParseResult ParseHive(std::string_view text) { return Parser().Run(text); }

std::string SerializeHive(const Hive &hive) {
  std::string out(Header);
  out.append("\n");
  for (const auto &[folded, key] : hive.Keys()) {
    if (folded.empty() && key.values.empty()) {
      continue;
    }
    std::string path;
    ToUtf8(key.path, &path); // names are checked when stored
    out.append("\n[").append(RootName);
    if (!path.empty()) {
      out.append("\\").append(path);
    }
    out.append("]\n");
    for (const auto &[foldedName, v] : key.values) {
      std::string name;
      ToUtf8(v.name, &name);
      if (v.name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(&out, name);
      }
      out.push_back('=');
      std::u16string text;
      std::string utf8;
      if (StringForm(v, &text) && ToUtf8(text, &utf8)) {
        AppendQuoted(&out, utf8);
      } else if (v.type == REG_DWORD && v.data.size() == 4) {
        out.append("dword:");
        AppendHex(&out,
                  static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16)) |
                      (static_cast<unsigned>(v.data[3]) << 24),
                  8);
      } else {
        if (v.type == REG_BINARY) {
          out.append("hex:");
        } else {
          out.append("hex(");
          int digits = 1;
          while (digits < 8 && (v.type >> (4 * digits)) != 0) {
            ++digits;
          }
          AppendHex(&out, v.type, digits);
          out.append("):");
        }
        for (std::size_t i = 0; i < v.data.size(); ++i) {
          if (i != 0) {
            out.push_back(',');
          }
          AppendHex(&out, v.data[i], 2);
        }
      }
      out.push_back('\n');
    }
  }
  return out;
}

bool ToUtf16(std::string_view utf8, std::u16string *out) {
  out->clear();
  out->reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    static constexpr std::array<std::uint32_t, 4> Min = {0, 0x80, 0x800, 0x10000};
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
    if (cp < Min[static_cast<std::size_t>(extra)] || cp > 0x10FFFF ||
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

bool ToUtf8(std::u16string_view utf16, std::string *out) {
  out->clear();
  out->reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    std::uint32_t cp = utf16[i];
    if (IsHigh(utf16[i]) && i + 1 < utf16.size() && IsLow(utf16[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHigh(utf16[i]) || IsLow(utf16[i])) {
      return false;
    }
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
  return true;
}

} // namespace platform::registry
