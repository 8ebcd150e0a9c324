// The headless host's script language: parsing into commands, and key names.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ScriptVerb { Tap, Down, Up, Wait, Key, Rotate, Screenshot, Close };

struct ScriptCommand {
  ScriptVerb verb = ScriptVerb::Close;
  int line = 0;         // 1-based line in the script
  POINT point{};        // tap, down, up: screen pixels
  std::uint64_t ms = 0; // wait
  UINT key = 0;         // key: virtual-key code
  BYTE modifiers = 0;   // key: FCONTROL, FSHIFT, FALT
  std::string path;     // screenshot
};

// The longest single wait: a day of virtual time.
inline constexpr std::uint64_t kLongestWaitMs = 24ull * 60 * 60 * 1000;

// Parses a whole script. Blank lines and lines starting with '#' are skipped;
// words are separated by spaces or tabs. On the first bad line returns false
// with one line "line N: what is wrong" in *error.
bool ParseScript(std::string_view text, std::vector<ScriptCommand> *commands, std::string *error);

// Parses a key name such as "ctrl+q", "return", "shift+f1" (case-insensitive).
bool ParseKeyName(std::string_view name, UINT *key, BYTE *modifiers);

} // namespace platform
