// The compiled resource script read back through the layer: strings, keys, the
// resolution marker, the menu bars and the two dialog templates.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "kernel/module.h"
#include "support.h"

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
  // 40017 is a real empty entry of its block, not a missing string.
  Reader r(ResourceBytes(module, MAKEINTRESOURCEW(40016 / 16 + 1), RT_STRING));
  for (int i = 0; i < 40016 % 16; ++i) {
    r.Skip(2U * r.Word());
  }
  EXPECT_EQ(r.Word(), 3) << "\"New\"";
  r.Skip(6);
  EXPECT_EQ(r.Word(), 0) << "40017";
  EXPECT_TRUE(r.Ok());
}

TEST_F(Script, AcceleratorsMapCtrlAAndCtrlQAndTheHighResolutionMarkerIsOne) {
  const std::vector<ACCEL> *entries =
      platform::AcceleratorEntries(LoadAcceleratorsW(module, MAKEINTRESOURCEW(3)));
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->size(), 2U);
  const std::pair<WORD, WORD> expected[] = {{'A', 40003}, {'Q', 1}};
  for (std::size_t i = 0; i < 2; ++i) {
    const ACCEL &a = (*entries)[i];
    EXPECT_EQ(std::pair(a.key, a.cmd), expected[i]);
    EXPECT_EQ(a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), FVIRTKEY | FCONTROL)
        << "entry " << i << ": a virtual key with Control alone";
  }
  const auto marker = ResourceBytes(module, u"HI_RES_AWARE", u"CEUX");
  ASSERT_EQ(marker.size(), 2U);
  EXPECT_EQ(Reader(marker).Word(), 1);
}

// One soft-key button of a menu bar's RCDATA: image, command, state, style, label
// string, zero, sub-menu.
using BarButton = std::array<WORD, 7>;
struct MenuItem {
  std::u16string text;
  WORD command;
  friend bool operator==(const MenuItem &, const MenuItem &) = default;
};

TEST_F(Script, MenuBarsListTheirButtonsAndTheirCompanionMenus) {
  constexpr WORD kNoImage = 65534; // I_IMAGENONE
  constexpr WORD kEnabled = 4;     // TBSTATE_ENABLED
  constexpr WORD kAutoSize = 16;   // TBSTYLE_BUTTON | TBSTYLE_AUTOSIZE
  constexpr WORD kNoMenu = 65535;  // NOMENU
  const struct {
    WORD id;
    std::vector<BarButton> buttons;
    std::vector<MenuItem> menu;
  } bars[] = {
      {102,
       {{kNoImage, 40008, kEnabled, kAutoSize, 40016, 0, kNoMenu},
        {kNoImage, 40012, kEnabled, kAutoSize, 40014, 0, kNoMenu},
        {kNoImage, 40009, kEnabled, kAutoSize, 40011, 0, kNoMenu}},
       {{u"New", 40008}, {u"Options", 40012}, {u"About", 40009}}},
      {171, {{kNoImage, 40018, kEnabled, kAutoSize, 40017, 0, kNoMenu}}, {{u"", 40018}}},
  };
  for (const auto &bar : bars) {
    SCOPED_TRACE(bar.id);
    Reader r(ResourceBytes(module, MAKEINTRESOURCEW(bar.id), RT_RCDATA));
    const WORD companion = r.Word();
    EXPECT_EQ(companion, bar.id);
    std::vector<BarButton> buttons(r.Word());
    for (BarButton &b : buttons) {
      for (WORD &w : b) {
        w = r.Word();
      }
    }
    EXPECT_TRUE(r.Ok() && r.AtEnd()) << "the bar's length matches its button count";
    EXPECT_EQ(buttons, bar.buttons);
    // A flat menu template: header, then flags, id and text per item, the last flagged
    // with 0x80.
    Reader m(ResourceBytes(module, MAKEINTRESOURCEW(companion), RT_MENU));
    EXPECT_EQ(m.Dword(), 0U) << "version and header size";
    std::vector<MenuItem> items;
    for (WORD flags = 0; m.Ok() && (flags & 0x80) == 0;) {
      flags = m.Word();
      EXPECT_EQ(flags & 0x10, 0) << "flat: no pop-up";
      const WORD command = m.Word();
      items.push_back({m.String(), command});
    }
    EXPECT_TRUE(m.Ok() && m.AtEnd());
    EXPECT_EQ(items, bar.menu);
  }
}

constexpr WORD kButton = 0x80;
constexpr WORD kStatic = 0x82;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr WORD kNoId = 0xFFFF;

struct Control {
  WORD id;
  WORD cls;
  DWORD style;
  short x, y, cx, cy;
  NameOrOrdinal text;
  DWORD exStyle = 0;
  friend bool operator==(const Control &, const Control &) = default;
};

struct Dialog {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  DWORD exStyle = 0;
  short cx = 0, cy = 0;
  std::u16string title;
  NameOrOrdinal menu = u"", cls = u"";
  WORD pointSize = 8;
  std::u16string face = u"Tahoma";
  std::vector<Control> controls;
  friend bool operator==(const Dialog &, const Dialog &) = default;
};

// A DLGTEMPLATE and its items, with the font that DS_SETFONT announces.
Dialog ReadDialog(std::span<const std::byte> bytes) {
  Reader r(bytes);
  Dialog d;
  d.style = r.Dword();
  d.exStyle = r.Dword();
  const WORD count = r.Word();
  r.Skip(4); // x, y: the dialog is centred
  d.cx = static_cast<short>(r.Word());
  d.cy = static_cast<short>(r.Word());
  d.menu = r.Name();
  d.cls = r.Name();
  d.title = r.String();
  d.pointSize = (d.style & DS_SETFONT) != 0 ? r.Word() : 0;
  d.face = (d.style & DS_SETFONT) != 0 ? r.String() : u"";
  for (WORD i = 0; i < count && r.Ok(); ++i) {
    r.AlignTo(4);
    Control c{};
    c.style = r.Dword();
    c.exStyle = r.Dword();
    for (short *v : {&c.x, &c.y, &c.cx, &c.cy}) {
      *v = static_cast<short>(r.Word());
    }
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

TEST_F(Script, DialogsMatchTheirLayouts) {
  Dialog about = ReadDialog(ResourceBytes(module, MAKEINTRESOURCEW(103), RT_DIALOG));
  // The version line and the credits are worded freely; their place and kind are fixed.
  ASSERT_EQ(about.controls.size(), 9U);
  const auto version = std::get<std::u16string>(about.controls[1].text);
  const auto credits = std::get<std::u16string>(about.controls[7].text);
  EXPECT_NE(version.find(u"BlackJack"), std::u16string::npos);
  EXPECT_NE(version.find(u"1.0"), std::u16string::npos);
  EXPECT_FALSE(credits.empty());
  const struct {
    Dialog actual, expected;
  } cases[] = {
      {about,
       {.exStyle = WS_EX_CAPTIONOKBTN,
        .cx = 165,
        .cy = 181,
        .title = u"About BlackJack",
        .controls =
            {
                {kNoId, kStatic, kChild | SS_ICON, 71, 27, 20, 20, WORD{101}},
                {kNoId, kStatic, kChild | SS_CENTER | SS_NOPREFIX | WS_GROUP, 40, 6, 85, 18,
                 version},
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
            }}},
      {ReadDialog(ResourceBytes(module, MAKEINTRESOURCEW(117), RT_DIALOG)),
       {.cx = 164,
        .cy = 191,
        .title = u"Options",
        .controls =
            {
                {IDOK, kButton, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 53, 136, 50, 14, u"OK"},
                {kNoId, kStatic, kChild | SS_CENTER | WS_GROUP, 33, 7, 93, 22,
                 u"Blackjack Options"},
                {1004, kButton, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 53, 103, 78, 14,
                 u"Play Sounds"},
                {kNoId, kStatic, kChild | SS_LEFT | WS_GROUP, 43, 41, 83, 13,
                 u"Number of Decks in Play"},
                {1009, kButton, kChild | BS_AUTORADIOBUTTON, 59, 56, 39, 10, u"1 Deck"},
                {1010, kButton, kChild | BS_AUTORADIOBUTTON, 59, 67, 39, 10, u"2 Decks"},
                {1011, kButton, kChild | BS_AUTORADIOBUTTON, 59, 78, 39, 10, u"4 Decks"},
                {1012, kButton, kChild | BS_AUTORADIOBUTTON, 59, 89, 39, 10, u"8 Decks"},
                {1013, kButton, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 53, 116, 59, 13,
                 u"Use ClearType"},
            }}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.expected.title.begin(), c.expected.title.end()));
    EXPECT_EQ(c.actual, c.expected);
    for (std::size_t i = 0; i < c.actual.controls.size() && i < c.expected.controls.size(); ++i) {
      EXPECT_EQ(c.actual.controls[i], c.expected.controls[i]) << "control " << i;
    }
  }
}

} // namespace
