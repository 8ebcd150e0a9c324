// Dialog templates: both forms of our own, and hostile ones that must fail cleanly, through the
// parser and through DialogBoxIndirectParamW. The game's own show their effect in its tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "template_builder.h"
#include "testing/testing.h"
#include "user/dialog_template.h"
#include "user/window.h"

namespace {

using dialogtest::Build;
using dialogtest::ItemSpec;
using dialogtest::TemplateLayout;
using platform::DialogTemplate;

TEST(DialogTemplates, BothFormsReadTheSameWithClassesAsOrdinalsOrStrings) {
  TemplateLayout layout;
  layout.items = {
      {WS_CHILD | BS_AUTOCHECKBOX, 1, 2, 30, 10, 1004, 0, u"button", u"Check", 0, {}},
      {WS_CHILD | SS_CENTER, 3, 4, 40, 12, 0xFFFF, 0, u"Static", u"Words", 0, {1, 2, 3}},
      {WS_CHILD | SS_ICON, 5, 6, 20, 20, 7, 0x82, u"", u"", 101, {}},
  };
  for (bool extended : {false, true}) {
    SCOPED_TRACE(extended);
    layout.extended = extended;
    DialogTemplate t;
    std::string error;
    ASSERT_TRUE(platform::ParseDialogTemplate(Build(layout), &t, &error)) << error;
    EXPECT_EQ(t.extended, extended);
    ASSERT_EQ(t.items.size(), 3u);
    EXPECT_EQ(platform::ItemClassName(t.items[0].windowClass), u"button");
    EXPECT_EQ(t.items[0].text.text, u"Check");
    EXPECT_EQ(platform::ItemClassName(t.items[1].windowClass), u"Static");
    EXPECT_EQ(t.items[1].creationData, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(t.items[1].id, 0xFFFFu);
    EXPECT_EQ(platform::ItemClassName(t.items[2].windowClass), u"STATIC");
    EXPECT_TRUE(t.items[2].text.IsOrdinal(101));
    EXPECT_EQ((std::vector<short>{t.items[2].x, t.items[2].y, t.items[2].cx, t.items[2].cy}),
              (std::vector<short>{5, 6, 20, 20}));
  }
}

// Where a hostile template goes wrong: each is cut or patched from a good one.
struct Hostile {
  const char *name;
  bool extended;
  std::size_t keep;    // bytes kept (0: all)
  std::size_t patchAt; // a WORD patched at this offset (0: none)
  WORD patch;
  const char *error; // what the one-line error names
};

TEST(DialogTemplates, HostileTemplatesFailCleanlyNamingTheFault) {
  TemplateLayout layout;
  layout.title = u"T";
  layout.items = {{WS_CHILD, 0, 0, 10, 10, 1, 0x80, u"", u"A", 0, std::vector<std::uint8_t>(19, 9)},
                  {WS_CHILD, 0, 0, 10, 10, 2, 0, u"STATIC", u"B", 0, {}}};
  // The classic layout: header 18, menu 2, class 2, "T" 4, point size 2 and "Tahoma" 14
  // end at 42; item 0 at 44 (fixed part 18, class 4, "A" 4, data size at 70 and 19
  // bytes) ends at 91; item 1 at 92 has its class string at 110 and its text at 124.
  const std::vector<Hostile> cases = {
      {"header cut short", false, 9, 0, 0, "header: item count"},
      {"extended header cut short", true, 18, 0, 0, "header: x"},
      {"item count past the end", false, 0, 8, 40, "40 items cannot fit"},
      {"title without its terminator", false, 24, 0, 0, "title is not terminated"},
      {"face name without its terminator", false, 40, 0, 0, "font: face name is not terminated"},
      {"class string cut off", false, 116, 0, 0, "item 1: class is not terminated"},
      {"text cut off", false, 126, 0, 0, "item 1: text is not terminated"},
      {"creation data past the end", false, 0, 70, 500, "item 0: creation data of 500 bytes"},
      {"an odd length ending where the next item's padding goes", false, 91, 0, 0,
       "item 1: fixed part starts past the end"},
  };
  for (const Hostile &c : cases) {
    SCOPED_TRACE(c.name);
    layout.extended = c.extended;
    std::vector<std::byte> bytes = Build(layout);
    if (c.patchAt != 0) {
      restest::Set(bytes, c.patchAt, c.patch);
    }
    if (c.keep != 0) {
      bytes.resize(c.keep);
    }
    DialogTemplate t;
    std::string error;
    EXPECT_FALSE(platform::ParseDialogTemplate(bytes, &t, &error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

TEST(DialogTemplates, AFailedDialogReturnsMinusOneAndLeavesNothingBehind) {
  platform::test::HeadlessDevice device;
  TemplateLayout good;
  good.items = {{WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, 1, 0x80, u"", u"A", 0, {}}};
  TemplateLayout unknownClass = good;
  unknownClass.items.push_back({WS_CHILD, 0, 0, 10, 10, 2, 0, u"NoSuchClass", u"", 0, {}});
  TemplateLayout unknownOrdinal = good;
  unknownOrdinal.items.push_back({WS_CHILD, 0, 0, 10, 10, 2, 0x99, u"", u"", 0, {}});
  std::vector<std::byte> truncated = Build(good);
  truncated.resize(truncated.size() - 3);
  const auto before = platform::test::GdiObjectCounts();
  const struct {
    const char *name;
    std::vector<std::byte> bytes;
  } cases[] = {{"a control of an unknown class", Build(unknownClass)},
               {"a class ordinal naming no class", Build(unknownOrdinal)},
               {"a template cut short inside its resource", truncated}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const HINSTANCE module =
        platform::test::LoadResModule(dialogtest::ResWithDialog(c.bytes), &error);
    ASSERT_NE(module, nullptr) << error;
    const void *data =
        LockResource(LoadResource(module, FindResourceW(module, MAKEINTRESOURCEW(1), RT_DIALOG)));
    bool initialised = false;
    EXPECT_EQ(DialogBoxIndirectParamW(
                  module, static_cast<LPCDLGTEMPLATEW>(data), nullptr,
                  [](HWND, UINT msg, WPARAM, LPARAM init) -> BOOL {
                    if (msg == WM_INITDIALOG) {
                      *reinterpret_cast<bool *>(init) = true;
                    }
                    return FALSE;
                  },
                  reinterpret_cast<LPARAM>(&initialised)),
              -1);
    EXPECT_FALSE(initialised);
    EXPECT_TRUE(platform::AllWindows().empty());
    EXPECT_EQ(platform::test::GdiObjectCounts(), before);
  }
}

} // namespace
