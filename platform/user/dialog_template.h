// Dialog templates (DLGTEMPLATE and DLGTEMPLATEEX) parsed into plain records.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// A menu, class or item text field: absent, a 16-bit ordinal, or a string.
struct NameOrOrdinal {
  enum class Kind { None, Ordinal, Text };
  Kind kind = Kind::None;
  WORD ordinal = 0;
  std::u16string text;

  bool IsOrdinal(WORD value) const { return kind == Kind::Ordinal && ordinal == value; }
};

// The predefined control classes, as item class ordinals.
enum : WORD {
  kButtonClassOrdinal = 0x80,
  kEditClassOrdinal = 0x81,
  kStaticClassOrdinal = 0x82,
  kListBoxClassOrdinal = 0x83,
  kScrollBarClassOrdinal = 0x84,
  kComboBoxClassOrdinal = 0x85,
};

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0; // extended form only
  short x = 0, y = 0, cx = 0, cy = 0;
  // 16 bits in the classic form (an id of -1 reads 0xFFFF), 32 in the extended one.
  DWORD id = 0;
  NameOrOrdinal windowClass;
  NameOrOrdinal text; // an ordinal names a resource, e.g. the icon of an SS_ICON static
  std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
  bool extended = false; // DLGTEMPLATEEX
  DWORD style = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string title;
  bool hasFont = false; // DS_SETFONT: the fields below were present
  WORD pointSize = 0;
  WORD weight = FW_NORMAL;
  bool italic = false;
  BYTE charset = DEFAULT_CHARSET;
  std::u16string face;
  std::vector<DialogItem> items;
};

// Parses a template held in `bytes` (the start of the span is the start of the
// template, for alignment). Every length is checked against the span: a template
// that runs past its end, an unterminated string or an item count the bytes cannot
// hold fails with one line in *error naming the step and the offset. Pure: nothing
// is created. Called by DialogBoxIndirectParamW and by the fuzz target.
bool ParseDialogTemplate(std::span<const std::byte> bytes, DialogTemplate *out, std::string *error);

// The standard class an item names ("BUTTON", "STATIC", ...) for an ordinal; the
// string itself for a string class. Empty for an ordinal that names no class.
std::u16string ItemClassName(const NameOrOrdinal &windowClass);

} // namespace platform
