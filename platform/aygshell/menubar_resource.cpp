// The menu-bar resource parser: header, then each button, every length checked.
#include "aygshell/menubar_resource.h"

#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kHeaderWords = 2;
constexpr std::size_t kButtonWords = 7;

WORD WordAt(std::span<const std::byte> bytes, std::size_t index) {
  WORD value = 0;
  std::memcpy(&value, bytes.data() + index * sizeof(WORD), sizeof(WORD));
  return value;
}

bool Fail(std::string *error, const std::string &what) {
  if (error != nullptr) {
    *error = "menu bar resource: " + what;
  }
  return false;
}

} // namespace

bool ParseMenuBarResource(std::span<const std::byte> bytes, MenuBarResource *out,
                          std::string *error) {
  // Header: the companion menu id and the button count.
  if (bytes.size() < kHeaderWords * sizeof(WORD)) {
    return Fail(error, "header needs 4 bytes, has " + std::to_string(bytes.size()));
  }
  MenuBarResource bar;
  bar.menuId = WordAt(bytes, 0);
  const std::size_t count = WordAt(bytes, 1);
  const std::size_t expected = (kHeaderWords + count * kButtonWords) * sizeof(WORD);
  if (bytes.size() != expected) {
    return Fail(error, std::to_string(count) + " buttons need " + std::to_string(expected) +
                           " bytes, the resource has " + std::to_string(bytes.size()));
  }
  // Buttons: seven words each.
  bar.buttons.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kHeaderWords + i * kButtonWords;
    if (WordAt(bytes, at + 5) != 0) {
      return Fail(error, "button " + std::to_string(i) + ": reserved word is " +
                             std::to_string(WordAt(bytes, at + 5)) + ", not 0");
    }
    bar.buttons[i] =
        MenuBarButton{WordAt(bytes, at),     WordAt(bytes, at + 1), WordAt(bytes, at + 2),
                      WordAt(bytes, at + 3), WordAt(bytes, at + 4), WordAt(bytes, at + 6)};
  }
  *out = std::move(bar);
  return true;
}

} // namespace platform
