// The compiled resource script read back through the layer: strings, keys, the
// resolution marker and the menu bars.
#include <windows.h>

#include <gtest/gtest.h>

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

} // namespace
