// Fuzz target: the dialog template parser, and a dialog made from every template it
// accepts (its procedure ends it at WM_INITDIALOG, so no loop runs).
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/device.h"
#include "user/dialog_template.h"

namespace {

BOOL CALLBACK EndAtOnce(HWND dialog, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    EndDialog(dialog, 7);
    return TRUE;
  }
  return FALSE;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const auto bytes = std::as_bytes(std::span<const std::uint8_t>(data, size));
  platform::DialogTemplate parsed;
  std::string error;
  if (!platform::ParseDialogTemplate(bytes, &parsed, &error)) {
    if (error.empty()) {
      __builtin_trap(); // a rejection always says why
    }
    return 0;
  }
  for (const platform::DialogItem &item : parsed.items) {
    if (item.text.kind == platform::NameOrOrdinal::Kind::Text &&
        item.text.text.find(u'\0') != std::u16string::npos) {
      __builtin_trap(); // strings end at their terminator
    }
  }
  // Only a template the parser accepted is handed over: one from the caller's memory
  // carries no length, and the parse above has shown that this one ends in the input.
  // A template naming a dialog class of the program's own is left out: that class
  // would have to pass the messages to DefDlgProcW for the dialog to end.
  if (parsed.windowClass.kind == platform::NameOrOrdinal::Kind::Text) {
    return 0;
  }
  platform::StartDevice(platform::DeviceConfig{});
  const INT_PTR result = DialogBoxIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(data),
                                                 nullptr, EndAtOnce, 0);
  if (result != 7 && result != -1) {
    __builtin_trap(); // made and ended, or refused
  }
  return 0;
}
