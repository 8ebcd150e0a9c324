// The device's keys and a gamepad's buttons by the names users write them in
// scripts, recordings and the player's key file ("h", "return", "f1", "pad-a").
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

// One key or button by name, case-insensitive: a letter or digit, a named key, f1
// to f12, a gamepad button ("pad-a", "pad-up", "pad-start"…) or "vkN" by its code.
// False for any other word.
bool ParseSingleKey(std::string_view name, UINT *key);
// The name ParseSingleKey reads back: the first of the key's names, else "vkN".
std::string KeyName(UINT key);
// A gamepad's button rather than a key of a keyboard.
constexpr bool IsPadButton(UINT key) { return key >= VK_GAMEPAD_A && key <= VK_GAMEPAD_VIEW; }

} // namespace platform
