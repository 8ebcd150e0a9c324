// The compiled resource script read back through the layer: the blank soft key, the keys and the
// resolution marker.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/module.h"
#include "support.h"

namespace {

using art_test::ResourceBytes;

class Script : public art_test::GameModuleTest {
protected:
  std::u16string String(UINT id) {
    WCHAR buffer[128] = {};
    const int n = LoadStringW(module, id, buffer, 128);
    return {buffer, static_cast<std::size_t>(n)};
  }
};

// The title, the class and the menu's labels show in the game's own tests; the dialogs' soft key
// is blank.
TEST_F(Script, TheDialogKeyIsBlankTheKeysCtrlAAndCtrlQAndTheHighResolutionMarkerIsOne) {
  EXPECT_EQ(String(40017), u"");
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
  EXPECT_EQ(art_test::Read<WORD>(marker, 0), 1);
}

} // namespace
