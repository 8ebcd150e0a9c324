// Dialog templates built in memory for the tests, in either form, and a .res that
// holds one, for the parser and for DialogBoxIndirectParamW.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

class Writer {
public:
  template <typename T> void Put(T value) {
    const auto *p = reinterpret_cast<const std::byte *>(&value);
    bytes.insert(bytes.end(), p, p + sizeof(T));
  }
  void Text(const std::u16string &s) {
    for (char16_t c : s) {
      Put<WORD>(c);
    }
    Put<WORD>(0);
  }
  void Align(std::size_t n) {
    while (bytes.size() % n != 0) {
      bytes.push_back(std::byte{0});
    }
  }
  std::vector<std::byte> bytes;
};

inline std::vector<std::byte> Build(const TemplateLayout &t) {
  Writer w;
  const auto count = static_cast<WORD>(t.items.size());
  if (t.extended) {
    w.Put<WORD>(1);
    w.Put<WORD>(0xFFFF);
    w.Put<DWORD>(0);
    w.Put<DWORD>(t.exStyle);
    w.Put<DWORD>(t.style);
  } else {
    w.Put<DWORD>(t.style);
    w.Put<DWORD>(t.exStyle);
  }
  w.Put<WORD>(count);
  for (short v : {t.x, t.y, t.cx, t.cy}) {
    w.Put<short>(v);
  }
  w.Put<WORD>(0); // no menu
  w.Put<WORD>(0); // the dialog class
  w.Text(t.title);
  if ((t.style & DS_SETFONT) != 0) {
    w.Put<WORD>(t.points);
    if (t.extended) {
      w.Put<WORD>(FW_NORMAL);
      w.Put<BYTE>(0);
      w.Put<BYTE>(DEFAULT_CHARSET);
    }
    w.Text(t.face);
  }
  for (const ItemSpec &item : t.items) {
    w.Align(4);
    if (t.extended) {
      w.Put<DWORD>(0);
      w.Put<DWORD>(0);
      w.Put<DWORD>(item.style);
    } else {
      w.Put<DWORD>(item.style);
      w.Put<DWORD>(0);
    }
    for (short v : {item.x, item.y, item.cx, item.cy}) {
      w.Put<short>(v);
    }
    if (t.extended) {
      w.Put<DWORD>(item.id);
    } else {
      w.Put<WORD>(static_cast<WORD>(item.id));
    }
    if (item.classOrdinal != 0) {
      w.Put<WORD>(0xFFFF);
      w.Put<WORD>(item.classOrdinal);
    } else {
      w.Text(item.className);
    }
    if (item.textOrdinal != 0) {
      w.Put<WORD>(0xFFFF);
      w.Put<WORD>(item.textOrdinal);
    } else {
      w.Text(item.text);
    }
    w.Put<WORD>(static_cast<WORD>(item.data.size()));
    for (std::uint8_t b : item.data) {
      w.Put<std::uint8_t>(b);
    }
  }
  return w.bytes;
}

// A .res file holding `data` as dialog resource 1: the empty first entry, then one
// entry with ordinal type and name.
inline std::vector<std::byte> ResWithDialog(const std::vector<std::byte> &data) {
  Writer w;
  const auto entry = [&](DWORD size, WORD type, WORD name, const std::vector<std::byte> &body) {
    w.Put<DWORD>(size);
    w.Put<DWORD>(32);
    for (WORD v : {WORD{0xFFFF}, type, WORD{0xFFFF}, name}) {
      w.Put<WORD>(v);
    }
    w.Put<DWORD>(0);     // data version
    w.Put<WORD>(0x1030); // memory flags
    w.Put<WORD>(0x0409); // language
    w.Put<DWORD>(0);     // version
    w.Put<DWORD>(0);     // characteristics
    w.bytes.insert(w.bytes.end(), body.begin(), body.end());
    w.Align(4);
  };
  entry(0, 0, 0, {});
  entry(static_cast<DWORD>(data.size()), 5, 1, data);
  return w.bytes;
}

} // namespace dialogtest
