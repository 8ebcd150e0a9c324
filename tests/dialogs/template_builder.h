// Dialog templates built in memory for the tests, in either form, and a .res that
// holds one, for the parser and for DialogBoxIndirectParamW.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/resources/res_builder.h"

namespace dialogtest {

struct ItemSpec {
  DWORD style = WS_CHILD | WS_VISIBLE;
  short x = 0, y = 0, cx = 10, cy = 10;
  DWORD id = 0;
  WORD classOrdinal = 0x80; // 0: the class is `className`
  std::u16string className; // e.g. u"button", as a CONTROL statement writes it
  std::u16string text;      // ignored when textOrdinal is set
  WORD textOrdinal = 0;     // an icon's resource id
  std::vector<std::uint8_t> data;
};

struct TemplateLayout {
  bool extended = false;
  DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 160, cy = 120;
  std::u16string title = u"Test";
  WORD points = 8;
  std::u16string face = u"Tahoma";
  std::vector<ItemSpec> items;
};

inline std::vector<std::byte> Build(const TemplateLayout &t) {
  using restest::Put, restest::PutText, restest::PutId, restest::Id;
  restest::Bytes w;
  const auto count = static_cast<WORD>(t.items.size());
  if (t.extended) {
    Put<WORD>(w, 1);
    Put<WORD>(w, 0xFFFF);
    Put<DWORD>(w, 0);
    Put<DWORD>(w, t.exStyle);
    Put<DWORD>(w, t.style);
  } else {
    Put<DWORD>(w, t.style);
    Put<DWORD>(w, t.exStyle);
  }
  Put<WORD>(w, count);
  for (short v : {t.x, t.y, t.cx, t.cy}) {
    Put<short>(w, v);
  }
  Put<WORD>(w, 0); // no menu
  Put<WORD>(w, 0); // the dialog class
  PutText(w, t.title);
  if ((t.style & DS_SETFONT) != 0) {
    Put<WORD>(w, t.points);
    if (t.extended) {
      Put<WORD>(w, FW_NORMAL);
      Put<BYTE>(w, 0);
      Put<BYTE>(w, DEFAULT_CHARSET);
    }
    PutText(w, t.face);
  }
  for (const ItemSpec &item : t.items) {
    restest::Align(w, 4);
    if (t.extended) {
      Put<DWORD>(w, 0);
      Put<DWORD>(w, 0);
      Put<DWORD>(w, item.style);
    } else {
      Put<DWORD>(w, item.style);
      Put<DWORD>(w, 0);
    }
    for (short v : {item.x, item.y, item.cx, item.cy}) {
      Put<short>(w, v);
    }
    if (t.extended) {
      Put<DWORD>(w, item.id);
    } else {
      Put<WORD>(w, static_cast<WORD>(item.id));
    }
    PutId(w, item.classOrdinal != 0 ? Id(item.classOrdinal) : Id(item.className.c_str()));
    PutId(w, item.textOrdinal != 0 ? Id(item.textOrdinal) : Id(item.text.c_str()));
    Put<WORD>(w, static_cast<WORD>(item.data.size()));
    for (std::uint8_t b : item.data) {
      w.push_back(std::byte{b});
    }
  }
  return w;
}

// A .res file holding `data` as dialog resource 1.
inline std::vector<std::byte> ResWithDialog(const std::vector<std::byte> &data) {
  restest::Bytes res;
  restest::PutEntry(res, 0, 0, {}, 0);
  restest::PutEntry(res, 5, 1, data);
  return res;
}

} // namespace dialogtest
