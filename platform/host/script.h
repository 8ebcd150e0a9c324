// The headless host's script language: parsing into commands, and key names.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/input.h"
#include "device/key_names.h"

namespace platform {

enum class ScriptVerb {
  Tap,
  Down,
  Move,
  Up,
  Wheel,
  Wait,
  Key,
  KeyDown,
  KeyUp,
  Rotate,
  Screenshot,
  Close
};

struct ScriptCommand {
  ScriptVerb verb = ScriptVerb::Close;
  int line = 0;         // 1-based line in the script
  POINT point{};        // tap, down, move, up: screen pixels
  int wheel = 0;        // wheel: WHEEL_DELTA a notch, positive turned away from the user (up)
  std::uint64_t ms = 0; // wait
  UINT key = 0;         // key, keydown, keyup: virtual-key code
  BYTE modifiers = 0;   // key: FCONTROL, FSHIFT, FALT
  std::string path;     // screenshot
};

// The longest single wait: a day of virtual time.
inline constexpr std::uint64_t kLongestWaitMs = 24ull * 60 * 60 * 1000;

// The most notches one wheel command turns, either way.
inline constexpr int kMostWheelNotches = 100;

// The longest line a script may have.
inline constexpr std::size_t kLongestLine = 4096;

// Reads a script one command at a time, so that a script of any length costs
// the memory of one line. Blank lines and lines starting with '#' are skipped;
// words are separated by spaces or tabs.
class ScriptReader {
public:
  // From a stream (a file, a pipe), read as the script goes.
  explicit ScriptReader(std::unique_ptr<std::istream> in);
  // From a text held whole (a recording handed over by a page): no stream, whose
  // machinery a page's program would otherwise have to carry.
  explicit ScriptReader(std::string text);

  // The next command; false at the end of the script or at a bad line, when
  // Error() says "line N: what is wrong".
  bool Next(ScriptCommand *command);
  const std::string &Error() const { return error_; }

private:
  static constexpr int kEnd = -1;

  std::function<int()> nextChar_; // the next byte, or kEnd
  bool ended_ = false;
  int line_ = 0;
  std::string text_;
  std::string error_;
};

// Reads a whole script without keeping it, to report its first bad line before
// anything runs; false with "line N: what is wrong" in *error.
bool CheckScript(std::istream &in, std::string *error);

// Parses a whole script held in memory (tests and the fuzz target); on a bad line
// returns false with the error as CheckScript gives it.
bool ParseScript(std::string_view text, std::vector<ScriptCommand> *commands, std::string *error);

// The user's input a command stands for, in order: a tap is the pen going down and
// up, a key press its modifiers' and its own down and up. None for a command that
// is not the user's (a wait, a screenshot).
std::vector<InputEvent> InputEventsOf(const ScriptCommand &command);

// Parses a key name such as "ctrl+q", "return", "shift+f1" (case-insensitive).
bool ParseKeyName(std::string_view name, UINT *key, BYTE *modifiers);
// A wheel's turn as the script writes it: "2", "-1", "1/3".
std::string WheelAmount(int delta);

} // namespace platform
