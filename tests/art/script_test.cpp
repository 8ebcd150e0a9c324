// The compiled resource script read back through the layer: strings, keys, the
// resolution marker, the icon group, the menu bars and the two dialog templates.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/testing.h"
#include "kernel/module.h"
#include "resource_bytes.h"

namespace {

using art_test::NameOrOrdinal;
using art_test::Reader;
using art_test::ResourceBytes;

class Script : public art_test::GameModuleTest {
protected:
  std::u16string String(UINT id) {
    WCHAR buffer[128] = {};
    const int n = LoadStringW(module, id, buffer, 128);
    return {buffer, static_cast<std::size_t>(n)};
  }
};

TEST_F(Script, StringsHoldTheTitleTheClassAndTheMenuLabels) {
  const struct {
    UINT id;
    std::u16string text;
  } cases[] = {{1, u"BlackJack"},   {3, u"BLACKJACK"}, {40016, u"New"},
               {40014, u"Options"}, {40011, u"About"}, {40017, u""}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(String(c.id), c.text);
  }
  // The empty label is a real entry of its block, not a missing string: the block that
  // holds 40016 and 40017 is there and 40017 has length 0 in it.
  const auto block = ResourceBytes(module, MAKEINTRESOURCEW(40016 / 16 + 1), RT_STRING);
  Reader r(block);
  for (int i = 0; i < 40016 % 16; ++i) {
    r.Skip(2U * r.Word());
  }
  EXPECT_EQ(r.Word(), 3) << "\"New\"";
  r.Skip(6);
  EXPECT_EQ(r.Word(), 0) << "40017";
  EXPECT_TRUE(r.Ok());
}

TEST_F(Script, AcceleratorsMapCtrlAAndCtrlQ) {
  HACCEL table = LoadAcceleratorsW(module, MAKEINTRESOURCEW(3));
  ASSERT_NE(table, nullptr);
  const std::vector<ACCEL> *entries = platform::AcceleratorEntries(table);
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->size(), 2U);
  const struct {
    WORD key;
    WORD cmd;
  } expected[] = {{'A', 40003}, {'Q', 1}};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const ACCEL &a = (*entries)[i];
    EXPECT_EQ(a.key, expected[i].key);
    EXPECT_EQ(a.cmd, expected[i].cmd);
    EXPECT_EQ(a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), FVIRTKEY | FCONTROL)
        << "a virtual key with Control alone";
  }
}

TEST_F(Script, HighResolutionMarkerHoldsTheWordOne) {
  const auto bytes = ResourceBytes(module, u"HI_RES_AWARE", u"CEUX");
  ASSERT_EQ(bytes.size(), 2U);
  Reader r(bytes);
  EXPECT_EQ(r.Word(), 1);
}

TEST_F(Script, IconGroupHoldsThreeSizesAt24Bits) {
  const auto group = ResourceBytes(module, MAKEINTRESOURCEW(101), RT_GROUP_ICON);
  Reader r(group);
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 1) << "an icon group";
  ASSERT_EQ(r.Word(), 3);
  std::vector<int> sizes;
  for (int i = 0; i < 3; ++i) {
    const WORD dims = r.Word(); // width byte, height byte
    r.Skip(4);                  // colours, reserved, planes
    EXPECT_EQ(r.Word(), 24) << "bits per pixel in the directory";
    const DWORD length = r.Dword();
    const WORD id = r.Word();
    sizes.push_back(dims & 0xFF);
    EXPECT_EQ(dims >> 8, dims & 0xFF) << "square";
    // The image itself: a 24-bit DIB of that size with colour and mask rows.
    const auto image = ResourceBytes(module, MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_EQ(image.size(), length);
    Reader dib(image);
    EXPECT_EQ(dib.Dword(), 40U);
    EXPECT_EQ(dib.Dword(), static_cast<DWORD>(dims & 0xFF));
    EXPECT_EQ(dib.Dword(), 2U * (dims & 0xFF));
    dib.Skip(2);
    EXPECT_EQ(dib.Word(), 24);
  }
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(sizes, (std::vector<int>{64, 32, 16}));
}

TEST(ScriptIcon, LoadsAtEachDpiWithACardShapedMask) {
  const struct {
    int dpi;
    int size;
  } cases[] = {{96, 32}, {192, 64}, {48, 16}};
  for (const auto &c : cases) {
    const int dpi = c.dpi;
    const int size = c.size;
    SCOPED_TRACE(dpi);
    platform::DeviceConfig config;
    config.dpi = dpi;
    platform::test::HeadlessDevice device(config);
    HINSTANCE module = art_test::LoadGameModule(nullptr);
    ASSERT_NE(module, nullptr);
    const platform::IconImage *icon =
        platform::FindIconImage(LoadIconW(module, MAKEINTRESOURCEW(101)));
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->width, size);
    ASSERT_EQ(icon->height, size);
    const auto at = [&](int x, int y) { return static_cast<std::size_t>(y * size + x); };
    // The centre is card, the top-left corner is see-through.
    EXPECT_EQ(icon->alpha[at(size / 2, size / 2)], 255);
    EXPECT_EQ(icon->alpha[at(0, 0)], 0);
    int opaque = 0;
    for (const auto a : icon->alpha) {
      opaque += a == 255 ? 1 : 0;
    }
    EXPECT_GT(opaque, size * size / 3);
    EXPECT_LT(opaque, size * size);
  }
}

// One soft-key button of a menu bar, as the bar's RCDATA lists it.
struct BarButton {
  WORD image;
  WORD command;
  WORD state;
  WORD style;
  WORD label;
  WORD zero;
  WORD subMenu;
  friend bool operator==(const BarButton &, const BarButton &) = default;
};

std::vector<BarButton> ReadBar(std::span<const std::byte> bytes, WORD *companion) {
  Reader r(bytes);
  *companion = r.Word();
  const WORD count = r.Word();
  std::vector<BarButton> buttons;
  for (WORD i = 0; i < count && r.Ok(); ++i) {
    BarButton b{};
    b.image = r.Word();
    b.command = r.Word();
    b.state = r.Word();
    b.style = r.Word();
    b.label = r.Word();
    b.zero = r.Word();
    b.subMenu = r.Word();
    buttons.push_back(b);
  }
  EXPECT_TRUE(r.Ok() && r.AtEnd()) << "the bar's length matches its button count";
  return buttons;
}

struct MenuItem {
  std::u16string text;
  WORD command;
  friend bool operator==(const MenuItem &, const MenuItem &) = default;
};

// A flat menu template: header, then flags, id and text per item, the last flagged.
std::vector<MenuItem> ReadFlatMenu(std::span<const std::byte> bytes) {
  constexpr WORD kPopup = 0x10;
  constexpr WORD kEnd = 0x80;
  Reader r(bytes);
  EXPECT_EQ(r.Word(), 0) << "version";
  EXPECT_EQ(r.Word(), 0) << "header size";
  std::vector<MenuItem> items;
  for (WORD flags = 0; r.Ok() && (flags & kEnd) == 0;) {
    flags = r.Word();
    EXPECT_EQ(flags & kPopup, 0) << "flat";
    MenuItem item;
    item.command = r.Word();
    item.text = r.String();
    if (r.Ok()) {
      items.push_back(item);
    }
  }
  EXPECT_TRUE(r.Ok() && r.AtEnd());
  return items;
}

TEST_F(Script, MenuBarsListTheirButtonsAndTheirCompanionMenus) {
  constexpr WORD kNoImage = 65534; // I_IMAGENONE
  constexpr WORD kEnabled = 4;     // TBSTATE_ENABLED
  constexpr WORD kAutoSize = 16;   // TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE
  constexpr WORD kNoMenu = 65535;  // NOMENU
  const struct {
    WORD id;
    std::vector<BarButton> buttons;
    std::vector<MenuItem> menu;
    std::vector<std::u16string> labels;
  } bars[] = {
      {102,
       {{kNoImage, 40008, kEnabled, kAutoSize, 40016, 0, kNoMenu},
        {kNoImage, 40012, kEnabled, kAutoSize, 40014, 0, kNoMenu},
        {kNoImage, 40009, kEnabled, kAutoSize, 40011, 0, kNoMenu}},
       {{u"New", 40008}, {u"Options", 40012}, {u"About", 40009}},
       {u"New", u"Options", u"About"}},
      {171, {{kNoImage, 40018, kEnabled, kAutoSize, 40017, 0, kNoMenu}}, {{u"", 40018}}, {u""}},
  };
  for (const auto &bar : bars) {
    SCOPED_TRACE(bar.id);
    WORD companion = 0;
    const auto buttons =
        ReadBar(ResourceBytes(module, MAKEINTRESOURCEW(bar.id), RT_RCDATA), &companion);
    EXPECT_EQ(companion, bar.id);
    EXPECT_EQ(buttons, bar.buttons);
    EXPECT_EQ(ReadFlatMenu(ResourceBytes(module, MAKEINTRESOURCEW(companion), RT_MENU)), bar.menu);
    for (std::size_t i = 0; i < buttons.size() && i < bar.labels.size(); ++i) {
      EXPECT_EQ(String(buttons[i].label), bar.labels[i]);
    }
  }
}

// ---- Dialog templates ----

constexpr WORD kButton = 0x80;
constexpr WORD kStatic = 0x82;

struct Control {
  WORD id;
  WORD cls;
  DWORD style;
  short x, y, cx, cy;
  NameOrOrdinal text;
  friend bool operator==(const Control &, const Control &) = default;
};

struct Dialog {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal cls;
  std::u16string title;
  WORD pointSize = 0;
  std::u16string face;
  std::vector<Control> controls;
  std::vector<DWORD> controlExStyles;
};

// A DLGTEMPLATE and its items, with the font that DS_SETFONT announces.
Dialog ReadDialog(std::span<const std::byte> bytes) {
  Reader r(bytes);
  Dialog d;
  d.style = r.Dword();
  d.exStyle = r.Dword();
  const WORD count = r.Word();
  d.x = static_cast<short>(r.Word());
  d.y = static_cast<short>(r.Word());
  d.cx = static_cast<short>(r.Word());
  d.cy = static_cast<short>(r.Word());
  d.menu = r.Name();
  d.cls = r.Name();
  d.title = r.String();
  if ((d.style & DS_SETFONT) != 0) {
    d.pointSize = r.Word();
    d.face = r.String();
  }
  for (WORD i = 0; i < count && r.Ok(); ++i) {
    r.AlignTo(4);
    Control c{};
    c.style = r.Dword();
    d.controlExStyles.push_back(r.Dword());
    c.x = static_cast<short>(r.Word());
    c.y = static_cast<short>(r.Word());
    c.cx = static_cast<short>(r.Word());
    c.cy = static_cast<short>(r.Word());
    c.id = r.Word();
    const NameOrOrdinal cls = r.Name();
    c.cls = std::holds_alternative<WORD>(cls) ? std::get<WORD>(cls) : 0;
    c.text = r.Name();
    r.Skip(r.Word()); // creation data
    d.controls.push_back(c);
  }
  EXPECT_TRUE(r.Ok());
  return d;
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr WORD kNoId = 0xFFFF;

void ExpectDialog(const Dialog &d, DWORD exStyle, short cx, short cy, const std::u16string &title,
                  const std::vector<Control> &controls) {
  EXPECT_EQ(d.style, kDialogStyle);
  EXPECT_EQ(d.exStyle, exStyle);
  EXPECT_EQ(d.cx, cx);
  EXPECT_EQ(d.cy, cy);
  EXPECT_EQ(d.title, title);
  EXPECT_EQ(d.menu, NameOrOrdinal(u""));
  EXPECT_EQ(d.cls, NameOrOrdinal(u""));
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.face, u"Tahoma");
  ASSERT_EQ(d.controls.size(), controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i));
    EXPECT_EQ(d.controls[i], controls[i]);
    EXPECT_EQ(d.controlExStyles[i], 0U);
  }
}

TEST_F(Script, AboutDialogMatchesItsLayout) {
  const Dialog d = ReadDialog(ResourceBytes(module, MAKEINTRESOURCEW(103), RT_DIALOG));
  // The version line and the credits are worded freely; their place and kind are fixed.
  ASSERT_EQ(d.controls.size(), 9U);
  const auto &version = std::get<std::u16string>(d.controls[1].text);
  const auto &credits = std::get<std::u16string>(d.controls[7].text);
  EXPECT_NE(version.find(u"BlackJack"), std::u16string::npos);
  EXPECT_NE(version.find(u"1.0"), std::u16string::npos);
  EXPECT_FALSE(credits.empty());
  ExpectDialog(
      d, WS_EX_CAPTIONOKBTN, 165, 181, u"About BlackJack",
      {
          {kNoId, kStatic, kChild | SS_ICON, 71, 27, 20, 20, WORD{101}},
          {kNoId, kStatic, kChild | SS_CENTER | SS_NOPREFIX | WS_GROUP, 40, 6, 85, 18, version},
          {kNoId, kStatic, kChild | SS_CENTER, 14, 53, 137, 18,
           u"To Place a bet, click on the poker chips Press Clear to restart bet"},
          {kNoId, kStatic, kChild | SS_CENTER, 14, 71, 137, 12,
           u"After betting, press Deal to begin hand"},
          {kNoId, kStatic, kChild | SS_CENTER, 21, 83, 121, 12,
           u"Press Hit to get additional cards"},
          {kNoId, kStatic, kChild | SS_LEFT, 39, 95, 87, 12, u"Press Stand to finish hand"},
          {kNoId, kStatic, kChild | SS_CENTER, 18, 106, 128, 18,
           u"Press Double to double bet amount and get an additional card."},
          {kNoId, kStatic, kChild | SS_CENTER, 13, 144, 138, 24, credits},
          {IDOK, kButton, kChild | BS_PUSHBUTTON, 55, 126, 50, 14, u"OK"},
      });
}

TEST_F(Script, OptionsDialogMatchesItsLayout) {
  const Dialog d = ReadDialog(ResourceBytes(module, MAKEINTRESOURCEW(117), RT_DIALOG));
  ExpectDialog(
      d, 0, 164, 191, u"Options",
      {
          {IDOK, kButton, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 53, 136, 50, 14, u"OK"},
          {kNoId, kStatic, kChild | SS_CENTER | WS_GROUP, 33, 7, 93, 22, u"Blackjack Options"},
          {1004, kButton, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 53, 103, 78, 14, u"Play Sounds"},
          {kNoId, kStatic, kChild | SS_LEFT | WS_GROUP, 43, 41, 83, 13, u"Number of Decks in Play"},
          {1009, kButton, kChild | BS_AUTORADIOBUTTON, 59, 56, 39, 10, u"1 Deck"},
          {1010, kButton, kChild | BS_AUTORADIOBUTTON, 59, 67, 39, 10, u"2 Decks"},
          {1011, kButton, kChild | BS_AUTORADIOBUTTON, 59, 78, 39, 10, u"4 Decks"},
          {1012, kButton, kChild | BS_AUTORADIOBUTTON, 59, 89, 39, 10, u"8 Decks"},
          {1013, kButton, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 53, 116, 59, 13, u"Use ClearType"},
      });
}

} // namespace
