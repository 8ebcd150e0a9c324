// Fuzz target: the player's key file, applied to a map of the game's spots.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "aygshell/keys.h"

namespace {

platform::shell::KeyMap SpotsOfATable() {
  platform::shell::KeyMap map;
  map.portraitHeight = 320;
  const struct {
    const char *name;
    UINT key;
    UINT button;
  } spots[] = {{"Chip5", '1', VK_GAMEPAD_LEFT_SHOULDER},
               {"Deal", 'D', VK_GAMEPAD_Y},
               {"Hit", 'H', 0},
               {"Stand", 'S', VK_GAMEPAD_B},
               {"New", 'N', 0}};
  for (const auto &s : spots) {
    platform::shell::KeySpot spot;
    spot.name = s.name;
    spot.keys = s.button != 0 ? std::vector<UINT>{s.key, s.button} : std::vector<UINT>{s.key};
    map.spots.push_back(spot);
  }
  return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const platform::shell::KeyMap builtIn = SpotsOfATable();
  platform::shell::KeyMap map = builtIn;
  std::string error;
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  if (!platform::shell::ApplyKeyFile(text, &map, &error)) {
    // A refusal says why in one line, and leaves the map as it was.
    if (error.empty() || error.find('\n') != std::string::npos) {
      __builtin_trap();
    }
    for (std::size_t i = 0; i < map.spots.size(); ++i) {
      if (map.spots[i].keys != builtIn.spots[i].keys) {
        __builtin_trap();
      }
    }
    return 0;
  }
  // An accepted file leaves every key with one spot, and none of the highlight's.
  std::set<UINT> seen;
  for (const auto &spot : map.spots) {
    for (const UINT key : spot.keys) {
      if (!seen.insert(key).second || key == VK_RETURN || key == VK_GAMEPAD_A) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
