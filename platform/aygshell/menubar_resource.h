// The menu-bar resource (RCDATA) that SHCreateMenuBar reads, parsed into a record.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace platform {

struct MenuBarButton {
  WORD image = 0;   // image index; I_IMAGENONE (65534) for none
  WORD command = 0; // sent in WM_COMMAND to the bar's parent
  WORD state = 0;   // TBSTATE_*
  WORD style = 0;   // TBSTYLE_*
  WORD labelId = 0; // string id of the label in the resource module
  WORD subMenu = 0; // index into the companion menu; NOMENU for none
};

struct MenuBarResource {
  WORD menuId = 0; // the companion menu
  std::vector<MenuBarButton> buttons;
};

// Parses the resource: the companion menu id, the button count, then seven 16-bit
// words per button (image, command, state, style, label string id, 0, sub-menu).
// The data must hold exactly that: a short or long resource, or a nonzero reserved
// word (a sign that the words are out of step), fails with one line in *error.
// Pure. Called by SHCreateMenuBar and by the fuzz target.
bool ParseMenuBarResource(std::span<const std::byte> bytes, MenuBarResource *out,
                          std::string *error);

} // namespace platform
