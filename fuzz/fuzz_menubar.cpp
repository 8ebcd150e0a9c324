// Fuzz target: the menu-bar resource parser behind SHCreateMenuBar.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "aygshell/menubar_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  platform::MenuBarResource bar;
  std::string error;
  if (!platform::ParseMenuBarResource(std::as_bytes(std::span<const std::uint8_t>(data, size)),
                                      &bar, &error)) {
    if (error.empty()) {
      __builtin_trap(); // a rejection always says why
    }
    return 0;
  }
  if (size != 4 + bar.buttons.size() * 14) {
    __builtin_trap(); // an accepted resource is exactly its header and its buttons
  }
  return 0;
}
