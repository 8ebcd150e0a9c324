// The names of keys and gamepad buttons: one table, read and written alike.
#include "device/key_names.h"

#include <array>
#include <charconv>

#include "common/case_fold.h"

namespace platform {
namespace {

struct KeyInfo {
  const char *name;
  UINT key;
};

// The first name of each key is the one written.
constexpr std::array<KeyInfo, 28> kNamedKeys{{
    {"return", VK_RETURN},
    {"enter", VK_RETURN},
    {"escape", VK_ESCAPE},
    {"esc", VK_ESCAPE},
    {"space", VK_SPACE},
    {"tab", VK_TAB},
    {"backspace", VK_BACK},
    {"back", VK_BACK},
    {"left", VK_LEFT},
    {"right", VK_RIGHT},
    {"up", VK_UP},
    {"down", VK_DOWN},
    {"shift", VK_SHIFT},
    {"ctrl", VK_CONTROL},
    {"control", VK_CONTROL},
    {"alt", VK_MENU},
    {"pad-a", VK_GAMEPAD_A},
    {"pad-b", VK_GAMEPAD_B},
    {"pad-x", VK_GAMEPAD_X},
    {"pad-y", VK_GAMEPAD_Y},
    {"pad-lb", VK_GAMEPAD_LEFT_SHOULDER},
    {"pad-rb", VK_GAMEPAD_RIGHT_SHOULDER},
    {"pad-up", VK_GAMEPAD_DPAD_UP},
    {"pad-down", VK_GAMEPAD_DPAD_DOWN},
    {"pad-left", VK_GAMEPAD_DPAD_LEFT},
    {"pad-right", VK_GAMEPAD_DPAD_RIGHT},
    {"pad-start", VK_GAMEPAD_MENU},
    {"pad-back", VK_GAMEPAD_VIEW},
}};

// A plain decimal number from 1 to `max`.
bool ParseCode(std::string_view word, UINT max, UINT *value) {
  UINT v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (word.empty() || ec != std::errc{} || end != word.data() + word.size() || v < 1 || v > max) {
    return false;
  }
  *value = v;
  return true;
}

} // namespace

bool ParseSingleKey(std::string_view name, UINT *key) {
  if (name.size() == 1) {
    const char c = LowerAscii(name[0]);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      *key = static_cast<UINT>(c >= 'a' ? c - 32 : c); // VK_A..VK_Z are 'A'..'Z'
      return true;
    }
    return false;
  }
  if (StartsWithNoCaseAscii(name, "vk")) {
    return ParseCode(name.substr(2), 254, key);
  }
  UINT n = 0;
  if (LowerAscii(name[0]) == 'f' && name.size() >= 2 && ParseCode(name.substr(1), 12, &n)) {
    *key = VK_F1 + n - 1;
    return true;
  }
  for (const KeyInfo &k : kNamedKeys) {
    if (EqualNoCaseAscii(name, k.name)) {
      *key = k.key;
      return true;
    }
  }
  return false;
}

std::string KeyName(UINT key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    return std::string(1, static_cast<char>(key >= 'A' ? key + 32 : key));
  }
  if (key >= VK_F1 && key < VK_F1 + 12) {
    return "f" + std::to_string(key - VK_F1 + 1);
  }
  for (const KeyInfo &k : kNamedKeys) {
    if (k.key == key) {
      return k.name;
    }
  }
  return "vk" + std::to_string(key);
}

} // namespace platform
