// Writing and reading recordings: the header's fields, and the actions as script lines.
#include "host/recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "host/script.h"

namespace platform {
namespace {

// The first line names the file for what it is; every header line after it starts
// with this, which a script takes for a comment.
constexpr std::string_view kFirstLine =
    "# BlackJack recording: replay it with `blackjack --replay FILE`";
constexpr std::string_view kField = "#: ";

std::string Clock(const SYSTEMTIME &t) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
  return text;
}

// A whole decimal number from min to max, nothing else.
std::optional<int> Number(std::string_view text, int min, int max) {
  if (text.empty() || text.size() > 9) {
    return std::nullopt;
  }
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

bool ParseClock(std::string_view v, SYSTEMTIME *clock) {
  if (v.size() != 8 || v[2] != ':' || v[5] != ':') {
    return false;
  }
  const auto h = Number(v.substr(0, 2), 0, 23);
  const auto m = Number(v.substr(3, 2), 0, 59);
  const auto s = Number(v.substr(6, 2), 0, 59);
  if (!h || !m || !s) {
    return false;
  }
  clock->wHour = static_cast<WORD>(*h);
  clock->wMinute = static_cast<WORD>(*m);
  clock->wSecond = static_cast<WORD>(*s);
  clock->wMilliseconds = 0;
  return true;
}

bool ParseScreen(std::string_view v, RecordingHeader *header) {
  const auto x = v.find('x');
  if (x == std::string_view::npos) {
    return false;
  }
  const auto w = Number(v.substr(0, x), 16, 4096);
  const auto h = Number(v.substr(x + 1), 16, 4096);
  if (!w || !h) {
    return false;
  }
  header->width = *w;
  header->height = *h;
  return true;
}

std::string Shown(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, 40)) {
    out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  return text.size() > 40 ? out + "..." : out;
}

// One header field; false with what is wrong.
bool ParseField(std::string_view name, std::string_view value, RecordingHeader *header,
                std::string *why) {
  bool ok = true;
  if (name == "version") {
    header->version = std::string(value);
    ok = !value.empty();
  } else if (name == "screen") {
    ok = ParseScreen(value, header);
  } else if (name == "dpi") {
    const auto dpi = Number(value, 24, 960);
    header->dpi = dpi.value_or(0);
    ok = dpi.has_value();
  } else if (name == "os") {
    ok = OsProfileByName(std::string(value), &header->os);
  } else if (name == "clock") {
    ok = ParseClock(value, &header->clock);
  } else if (name == "hive") {
    header->hive.append(value);
    header->hive.push_back('\n');
  } else {
    *why = "unknown header field '" + Shown(name) + "'";
    return false;
  }
  if (!ok) {
    *why = "bad " + std::string(name) + " '" + Shown(value) + "'";
  }
  return ok;
}

} // namespace

std::string RecordingHeaderText(const RecordingHeader &header) {
  std::string text(kFirstLine);
  text += "\n";
  const auto field = [&](std::string_view name, const std::string &value) {
    text += std::string(kField) + std::string(name) + " " + value + "\n";
  };
  field("version", header.version);
  field("screen", std::to_string(header.width) + "x" + std::to_string(header.height));
  field("dpi", std::to_string(header.dpi));
  field("os", header.os.name);
  field("clock", Clock(header.clock));
  std::size_t start = 0;
  while (start < header.hive.size()) {
    std::size_t end = header.hive.find('\n', start);
    if (end == std::string::npos) {
      end = header.hive.size();
    }
    std::string_view line(header.hive.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (!line.empty()) {
      field("hive", std::string(line));
    }
    start = end + 1;
  }
  return text;
}

std::string InputLine(const InputEvent &event) {
  const auto point = [&](const char *verb) {
    return std::string(verb) + " " + std::to_string(event.point.x) + " " +
           std::to_string(event.point.y);
  };
  switch (event.kind) {
  case InputKind::PenDown:
    return point("down");
  case InputKind::PenMove:
    return point("move");
  case InputKind::PenUp:
    return point("up");
  case InputKind::KeyDown:
    return "keydown " + KeyName(event.key);
  case InputKind::KeyUp:
    return "keyup " + KeyName(event.key);
  case InputKind::Wheel:
    return "wheel " + WheelAmount(event.wheel);
  case InputKind::Turn:
    return "rotate";
  case InputKind::Close:
    return "close";
  }
  return "close";
}

std::unique_ptr<Recorder> Recorder::Create(const std::string &path, const RecordingHeader &header,
                                           std::string *error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) {
    *error = "cannot write the recording " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<Recorder> recorder(new Recorder(fd, path, CurrentDevice().NowMs()));
  recorder->WriteLine(RecordingHeaderText(header));
  if (!recorder->error_.empty()) {
    *error = recorder->error_;
    return nullptr;
  }
  return recorder;
}

Recorder::Recorder(int fd, std::string path, std::uint64_t startMs)
    : fd_(fd), path_(std::move(path)), lastMs_(startMs) {
  AddDeviceListener(this);
}

Recorder::~Recorder() {
  RemoveDeviceListener(this);
  close(fd_);
}

void Recorder::WriteLine(const std::string &line) {
  if (!error_.empty()) {
    return;
  }
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      error_ = "cannot write the recording " + path_ + ": " + std::strerror(errno);
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

void Recorder::InputQueued(const InputEvent &event, std::uint64_t atMs) {
  std::string lines;
  if (atMs > lastMs_) {
    lines = "wait " + std::to_string(atMs - lastMs_) + "\n";
    lastMs_ = atMs;
  }
  WriteLine(lines + InputLine(event) + "\n");
}

bool ReadRecording(std::string_view text, const std::string &programVersion,
                   RecordingHeader *header, std::string *script, std::string *error) {
  if (text.size() > kLargestRecording) {
    *error = "larger than any recording (" + std::to_string(kLargestRecording >> 20) + " MB)";
    return false;
  }
  if (text.substr(0, kFirstLine.size()) != kFirstLine ||
      (text.size() > kFirstLine.size() && text[kFirstLine.size()] != '\n' &&
       text[kFirstLine.size()] != '\r')) {
    *error = "not a recording of this program (its first line is not \"" + std::string(kFirstLine) +
             "\")";
    return false;
  }
  // The recorder ends every line; one without its end is where the file was cut.
  if (const auto lastBreak = text.rfind('\n'); lastBreak != std::string_view::npos) {
    text = text.substr(0, lastBreak + 1);
  }
  RecordingHeader read;
  bool seen[5] = {};
  const char *required[5] = {"version", "screen", "dpi", "os", "clock"};
  // The header: the first line, then every line that starts as a field does.
  std::size_t start = text.find('\n');
  start = start == std::string_view::npos ? text.size() : start + 1;
  int line = 1;
  while (start < text.size() && text.substr(start, kField.size()) == kField) {
    const std::size_t end = text.find('\n', start); // found: the text ends with one
    std::string_view field = text.substr(start + kField.size(), end - start - kField.size());
    if (!field.empty() && field.back() == '\r') {
      field.remove_suffix(1);
    }
    ++line;
    start = end + 1;
    const auto space = field.find(' ');
    const std::string_view name = field.substr(0, space);
    const std::string_view value =
        space == std::string_view::npos ? std::string_view() : field.substr(space + 1);
    std::string why;
    if (!ParseField(name, value, &read, &why)) {
      *error = "line " + std::to_string(line) + ": " + why;
      return false;
    }
    for (int i = 0; i < 5; ++i) {
      seen[i] = seen[i] || name == required[i];
    }
  }
  for (int i = 0; i < 5; ++i) {
    if (!seen[i]) {
      *error = std::string("the header has no ") + required[i] + ": the recording is damaged";
      return false;
    }
  }
  if (read.version != programVersion) {
    *error = "recorded by blackjack " + Shown(read.version) + "; this is blackjack " +
             programVersion + ", which replays only its own recordings";
    return false;
  }
  // The script's lines keep their numbers in the file: the header's become blank.
  std::string body(static_cast<std::size_t>(line), '\n');
  body.append(text.substr(start));
  std::vector<ScriptCommand> commands;
  if (!ParseScript(body, &commands, error)) {
    return false;
  }
  *header = std::move(read);
  *script = std::move(body);
  return true;
}

} // namespace platform
