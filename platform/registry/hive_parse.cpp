// Reading the hive's regedit text form, a logical line at a time; lines that cannot
// be used are skipped and said.
#include "common/case_fold.h"
#include "common/utf.h"
#include "registry/hive.h"
#include "registry/hive_codec.h"

namespace platform::registry {
namespace {

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
      if (first && (body == HeaderLine || body == OldHeaderLine)) {
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
    if (!StartsWithNoCaseAscii(body, RootName)) {
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
    key_ = UpperCased(path);
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
    if (StartsWithNoCaseAscii(body, "dword:")) {
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
    if (StartsWithNoCaseAscii(body, "hex:")) {
      value->type = REG_BINARY;
      return ParseHexBytes(body.substr(4), &value->data, why);
    }
    if (StartsWithNoCaseAscii(body, "hex(")) {
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

ParseResult ParseHive(std::string_view text) { return Parser().Run(text); }

} // namespace platform::registry
