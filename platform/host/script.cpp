// Parsing of headless scripts: one command per line, errors named by line.
#include "host/script.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <numeric>
#include <istream>

#include "common/case_fold.h"
#include "device/key_names.h"
#include "user/input.h"

namespace platform {
namespace {

constexpr std::uint64_t kLargestCoordinate = 65535;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsSpace(s.front()) || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsSpace(s[i])) {
      ++i;
    }
    const std::size_t start = i;
    while (i < s.size() && !IsSpace(s[i])) {
      ++i;
    }
    if (i > start) {
      words.push_back(s.substr(start, i - start));
    }
  }
  return words;
}

// A plain decimal number no larger than `max`: no sign, no spaces, no suffix.
bool ParseNumber(std::string_view word, std::uint64_t max, std::uint64_t *value) {
  if (word.empty() || word.size() > 19) {
    return false;
  }
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc{} || end != word.data() + word.size() || v > max) {
    return false;
  }
  *value = v;
  return true;
}

// Shows a word safely in an error message: printable ASCII, at most 40 bytes.
std::string Shown(std::string_view word) {
  std::string out;
  for (char c : word.substr(0, 40)) {
    out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  return word.size() > 40 ? out + "..." : out;
}

struct VerbInfo {
  const char *name;
  ScriptVerb verb;
  std::size_t arguments; // words after the verb (screenshot: the rest of the line)
  const char *usage;
};

constexpr std::array<VerbInfo, 12> kVerbs{{
    {"tap", ScriptVerb::Tap, 2, "tap X Y"},
    {"down", ScriptVerb::Down, 2, "down X Y"},
    {"move", ScriptVerb::Move, 2, "move X Y"},
    {"up", ScriptVerb::Up, 2, "up X Y"},
    {"wheel", ScriptVerb::Wheel, 1, "wheel N"},
    {"wait", ScriptVerb::Wait, 1, "wait MS"},
    {"key", ScriptVerb::Key, 1, "key NAME"},
    {"keydown", ScriptVerb::KeyDown, 1, "keydown KEY"},
    {"keyup", ScriptVerb::KeyUp, 1, "keyup KEY"},
    {"rotate", ScriptVerb::Rotate, 0, "rotate"},
    {"screenshot", ScriptVerb::Screenshot, 1, "screenshot FILE"},
    {"close", ScriptVerb::Close, 0, "close"},
}};

struct ModifierName {
  const char *name;
  BYTE flag;
};

constexpr std::array<ModifierName, 4> kModifierNames{
    {{"ctrl", FCONTROL}, {"control", FCONTROL}, {"shift", FSHIFT}, {"alt", FALT}}};

std::string LineError(int line, const std::string &what) {
  return "line " + std::to_string(line) + ": " + what;
}

// A wheel's turn in notches: whole ones, or a part of one as a fine wheel turns
// ("1/3"), as long as it is a whole number of the wheel's units; none is no turn.
bool ParseWheel(std::string_view word, int *wheel) {
  const bool up = word.front() != '-';
  const std::string_view amount = up ? word : word.substr(1);
  const std::size_t slash = amount.find('/');
  std::uint64_t n = 0;
  std::uint64_t parts = 1;
  const bool ok =
      ParseNumber(amount.substr(0, slash), kMostWheelNotches * WHEEL_DELTA, &n) && n != 0 &&
      (slash == std::string_view::npos ||
       (ParseNumber(amount.substr(slash + 1), WHEEL_DELTA, &parts) && parts != 0)) &&
      n * WHEEL_DELTA % parts == 0 && n * WHEEL_DELTA / parts <= kMostWheelNotches * WHEEL_DELTA;
  if (ok) {
    const auto delta = static_cast<int>(n * WHEEL_DELTA / parts);
    *wheel = up ? delta : -delta;
  }
  return ok;
}

// A screenshot's file name: the rest of the line after the verb, spaces included.
bool ParseScreenshotPath(std::string_view text, std::string_view verb, int line,
                         ScriptCommand *command, std::string *error) {
  const std::string_view rest = Trim(Trim(text).substr(verb.size()));
  if (rest.empty()) {
    *error = LineError(line, "expected: screenshot FILE");
    return false;
  }
  if (rest.find('\0') != std::string_view::npos) {
    *error = LineError(line, "the file name holds a NUL byte");
    return false;
  }
  command->path = std::string(rest);
  return true;
}

// Parses one non-blank, non-comment line.
bool ParseLine(std::string_view text, int line, ScriptCommand *command, std::string *error) {
  const auto words = Words(text);
  const VerbInfo *info = nullptr;
  for (const VerbInfo &v : kVerbs) {
    if (EqualNoCaseAscii(words[0], v.name)) {
      info = &v;
    }
  }
  if (info == nullptr) {
    *error = LineError(line, "unknown command '" + Shown(words[0]) +
                                 "' (tap, down, move, up, wheel, wait, key, keydown, keyup, "
                                 "rotate, screenshot, close)");
    return false;
  }
  command->verb = info->verb;
  command->line = line;
  if (info->verb == ScriptVerb::Screenshot) {
    return ParseScreenshotPath(text, words[0], line, command, error);
  }
  if (words.size() != info->arguments + 1) {
    *error = LineError(line, std::string("expected: ") + info->usage);
    return false;
  }
  switch (info->verb) {
  case ScriptVerb::Tap:
  case ScriptVerb::Down:
  case ScriptVerb::Move:
  case ScriptVerb::Up: {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    if (!ParseNumber(words[1], kLargestCoordinate, &x) ||
        !ParseNumber(words[2], kLargestCoordinate, &y)) {
      *error = LineError(line, "coordinates must be whole numbers from 0 to 65535, not '" +
                                   Shown(words[1]) + " " + Shown(words[2]) + "'");
      return false;
    }
    command->point = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    return true;
  }
  case ScriptVerb::Wheel:
    if (!ParseWheel(words[1], &command->wheel)) {
      *error = LineError(line, "wheel takes notches from -" + std::to_string(kMostWheelNotches) +
                                   " to " + std::to_string(kMostWheelNotches) +
                                   " but not 0 (positive turns it up; 1/3 is a third), not '" +
                                   Shown(words[1]) + "'");
      return false;
    }
    return true;
  case ScriptVerb::Wait:
    if (!ParseNumber(words[1], kLongestWaitMs, &command->ms)) {
      *error =
          LineError(line, "wait takes milliseconds from 0 to " + std::to_string(kLongestWaitMs) +
                              ", not '" + Shown(words[1]) + "'");
      return false;
    }
    return true;
  case ScriptVerb::Key:
    if (!ParseKeyName(words[1], &command->key, &command->modifiers)) {
      *error = LineError(line, "unknown key '" + Shown(words[1]) +
                                   "' (e.g. ctrl+q, return, escape, f1, a)");
      return false;
    }
    return true;
  case ScriptVerb::KeyDown:
  case ScriptVerb::KeyUp:
    // One key going down or up, as a recording holds it: no modifiers.
    if (!ParseSingleKey(words[1], &command->key)) {
      *error = LineError(line, "unknown key '" + Shown(words[1]) +
                                   "' (e.g. ctrl, shift, return, f1, a, vk93)");
      return false;
    }
    return true;
  default:
    return true;
  }
}

} // namespace

std::string WheelAmount(int delta) {
  const int size = delta < 0 ? -delta : delta;
  const int common = std::gcd(size, static_cast<int>(WHEEL_DELTA));
  std::string text = (delta < 0 ? "-" : "") + std::to_string(size / common);
  if (common != WHEEL_DELTA) {
    text += "/" + std::to_string(WHEEL_DELTA / common);
  }
  return text;
}

bool ParseKeyName(std::string_view name, UINT *key, BYTE *modifiers) {
  BYTE mods = 0;
  // Every part before the last '+' is a modifier.
  for (std::size_t plus = name.find('+'); plus != std::string_view::npos && plus + 1 < name.size();
       plus = name.find('+')) {
    const std::string_view part = name.substr(0, plus);
    const ModifierName *modifier = nullptr;
    for (const ModifierName &m : kModifierNames) {
      if (EqualNoCaseAscii(part, m.name)) {
        modifier = &m;
      }
    }
    if (modifier == nullptr) {
      return false;
    }
    mods = static_cast<BYTE>(mods | modifier->flag);
    name.remove_prefix(plus + 1);
  }
  UINT k = 0;
  if (!ParseSingleKey(name, &k)) {
    return false;
  }
  *key = k;
  *modifiers = mods;
  return true;
}

ScriptReader::ScriptReader(std::unique_ptr<std::istream> in) {
  std::shared_ptr<std::istream> stream(std::move(in));
  nextChar_ = [stream]() {
    const int c = stream ? stream->get() : std::char_traits<char>::eof();
    return c == std::char_traits<char>::eof() ? kEnd : c;
  };
}

ScriptReader::ScriptReader(std::string text) {
  nextChar_ = [text = std::move(text), at = std::size_t{0}]() mutable {
    return at < text.size() ? static_cast<unsigned char>(text[at++]) : kEnd;
  };
}

bool ScriptReader::Next(ScriptCommand *command) {
  while (error_.empty() && !ended_) {
    // A line is read in pieces no longer than the limit, so a script without
    // line breaks cannot take the memory a whole line would.
    text_.clear();
    bool tooLong = false;
    int c = nextChar_();
    for (; c != kEnd && c != '\n'; c = nextChar_()) {
      if (text_.size() == kLongestLine) {
        tooLong = true;
        continue;
      }
      text_.push_back(static_cast<char>(c));
    }
    if (c == kEnd) {
      ended_ = true;
      if (text_.empty() && !tooLong) {
        return false;
      }
    }
    ++line_;
    if (tooLong) {
      error_ = LineError(line_, "longer than " + std::to_string(kLongestLine) + " characters");
      return false;
    }
    const std::string_view trimmed = Trim(text_);
    if (trimmed.empty() || trimmed.front() == '#') {
      continue;
    }
    *command = ScriptCommand{};
    return ParseLine(trimmed, line_, command, &error_);
  }
  return false;
}

bool CheckScript(std::istream &in, std::string *error) {
  ScriptReader reader(std::make_unique<std::istream>(in.rdbuf()));
  ScriptCommand command;
  while (reader.Next(&command)) {
  }
  *error = reader.Error();
  return error->empty();
}

bool ParseScript(std::string_view text, std::vector<ScriptCommand> *commands, std::string *error) {
  commands->clear();
  ScriptReader reader{std::string(text)};
  ScriptCommand command;
  while (reader.Next(&command)) {
    commands->push_back(command);
  }
  *error = reader.Error();
  if (!error->empty()) {
    commands->clear();
    return false;
  }
  return true;
}

std::vector<InputEvent> InputEventsOf(const ScriptCommand &command) {
  const auto pen = [&](InputKind kind) { return InputEvent{kind, command.point}; };
  switch (command.verb) {
  case ScriptVerb::Tap:
    return {pen(InputKind::PenDown), pen(InputKind::PenUp)};
  case ScriptVerb::Down:
    return {pen(InputKind::PenDown)};
  case ScriptVerb::Move:
    return {pen(InputKind::PenMove)};
  case ScriptVerb::Up:
    return {pen(InputKind::PenUp)};
  case ScriptVerb::Wheel:
    return {InputEvent{InputKind::Wheel, {}, 0, command.wheel}};
  case ScriptVerb::KeyDown:
    return {InputEvent{InputKind::KeyDown, {}, command.key}};
  case ScriptVerb::KeyUp:
    return {InputEvent{InputKind::KeyUp, {}, command.key}};
  case ScriptVerb::Key:
    return KeyPressEvents(command.key, command.modifiers);
  case ScriptVerb::Rotate:
    return {InputEvent{InputKind::Turn}};
  case ScriptVerb::Close:
    return {InputEvent{InputKind::Close}};
  case ScriptVerb::Wait:
  case ScriptVerb::Screenshot:
    break;
  }
  return {};
}

} // namespace platform
