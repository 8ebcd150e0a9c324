// The compiled resource script read back through the layer: strings, keys, the
// resolution marker and the menu bars.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "kernel/module.h"
#include "support.h"

namespace {

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

} // namespace
