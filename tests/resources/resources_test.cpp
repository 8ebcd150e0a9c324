// Resource calls on a compiled test script: lookup rules, string tables, icons and
// accelerators.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "testing/testing.h"
#include "kernel/module.h"

namespace {

using platform::test::HeadlessDevice;

class Resources : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = platform::test::LoadResModuleFile(TEST_RES, &error);
    ASSERT_NE(module, nullptr) << error;
  }
  HeadlessDevice device;
  HINSTANCE module = nullptr;
};

TEST_F(Resources, FindsByOrdinalAndStringWithoutCase) {
  struct Case {
    const char *what;
    LPCWSTR name;
    LPCWSTR type;
    DWORD error; // 0: found
  };
  const Case cases[] = {
      {"ordinal name, string type", MAKEINTRESOURCEW(200), u"PNG", 0},
      {"type in lower case", MAKEINTRESOURCEW(200), u"png", 0},
      {"string name, any case", u"felt", u"PNG", 0},
      {"standard type", MAKEINTRESOURCEW(300), RT_RCDATA, 0},
      {"string type and name", u"hi_res_aware", u"ceux", 0},
      {"missing name", MAKEINTRESOURCEW(201), u"PNG", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"missing type", MAKEINTRESOURCEW(200), u"GIF", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"name with the wrong kind", u"200", u"PNG", ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module, c.name, c.type) != nullptr, c.error == 0);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(Resources, LoadedDataIsWhatWasCompiled) {
  std::ifstream in(TEST_PICTURE, std::ios::binary);
  const std::vector<char> picture{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(picture.size(), 2672u);
  for (LPCWSTR name : {static_cast<LPCWSTR>(MAKEINTRESOURCEW(200)), u"FELT"}) {
    HRSRC info = FindResourceW(module, name, u"PNG");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(SizeofResource(module, info), 2672u);
    EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, info)), picture.data(), 2672), 0);
  }
  HRSRC words = FindResourceW(module, MAKEINTRESOURCEW(300), RT_RCDATA);
  ASSERT_EQ(SizeofResource(module, words), 6u);
  const WORD expected[] = {1, 2, 65534};
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, words)), expected, 6), 0);
}

TEST_F(Resources, NullModuleIsTheMainModuleAndStaleHandlesFail) {
  EXPECT_EQ(GetModuleHandleW(nullptr), module);
  EXPECT_EQ(GetModuleHandleW(u"other.dll"), nullptr);
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(200), u"PNG");
  EXPECT_EQ(SizeofResource(nullptr, info), 2672u);
  // A second module: its handles do not answer for the first.
  HINSTANCE second = platform::test::LoadResModuleFile(TEST_RES);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SizeofResource(second, info), 0u);
  EXPECT_EQ(LoadResource(second, info), nullptr);
  ASSERT_TRUE(platform::UnloadModule(module));
  EXPECT_EQ(SizeofResource(nullptr, info), 0u);
  EXPECT_EQ(LoadResource(nullptr, info), nullptr);
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(200), u"PNG"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(platform::UnloadModule(module));
}

TEST_F(Resources, LoadStringCopiesTruncatesAndTerminates) {
  struct Case {
    UINT id;
    int buffer;
    int result;
    std::u16string text;
  };
  const Case cases[] = {
      {1, 64, 9, u"BlackJack"},
      {3, 64, 9, u"BLACKJACK"},
      {15, 64, 23, u"last of the first block"},
      {16, 64, 25, u"first of the second block"},
      {40011, 64, 5, u"About"},
      {65535, 64, 16, u"the very last id"},
      {100, 11, 10, u"0123456789"}, // exactly fits with the terminator
      {100, 10, 9, u"012345678"},   // one short: cut, still terminated
      {100, 1, 0, u""},             // room for the terminator only
      {2, 64, 0, u""},              // a gap in a block
      {40017, 64, 0, u""},          // an empty string reads as missing
      {4000, 64, 0, u""},           // no such block
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.id);
    std::vector<WCHAR> buffer(65, u'#');
    EXPECT_EQ(LoadStringW(module, c.id, buffer.data(), c.buffer), c.result);
    EXPECT_EQ(std::u16string(buffer.data()), c.text);
    EXPECT_EQ(buffer[c.buffer], u'#') << "wrote past the buffer";
  }
  EXPECT_EQ(LoadStringW(module, 1, nullptr, 10), 0);
}

TEST_F(Resources, AcceleratorTablesReadBackInOrderAndMissingOnesAreNull) {
  HACCEL table = LoadAcceleratorsW(module, MAKEINTRESOURCEW(7));
  EXPECT_EQ(LoadAcceleratorsW(module, MAKEINTRESOURCEW(7)), table) << "shared";
  const std::vector<ACCEL> *entries = platform::AcceleratorEntries(table);
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->size(), 3u);
  const ACCEL expected[] = {
      {FVIRTKEY | FCONTROL | FNOINVERT, 'A', 40003},
      {FVIRTKEY | FCONTROL | FNOINVERT, 'Q', 1},
      {FVIRTKEY | FSHIFT, VK_F1, 5},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const ACCEL &a = (*entries)[i], &e = expected[i];
    EXPECT_EQ(std::tuple(a.fVirt, a.key, a.cmd), std::tuple(e.fVirt, e.key, e.cmd));
  }
  EXPECT_EQ(LoadAcceleratorsW(module, MAKEINTRESOURCEW(8)), nullptr);
  EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(102)), nullptr);
}

TEST(Icons, TheImageFollowsTheDpiAndDecodesItsMask) {
  struct Case {
    int dpi, size;
    POINT at;
    std::uint32_t pixel;
    POINT clear; // a transparent pixel, or {-1, -1}
  };
  const Case cases[] = {
      {48, 16, {12, 12}, 0xFF0000, {3, 3}},   // red, top-left quadrant masked out
      {96, 32, {5, 20}, 0x00FF00, {0, 20}},   // green, alpha rising across
      {144, 48, {30, 5}, 0xC86432, {10, 5}},  // a PNG: orange, left half transparent
      {192, 64, {10, 3}, 0x0000FF, {-1, -1}}, // palette: blue with a white diagonal
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dpi);
    HeadlessDevice device({.dpi = c.dpi});
    HINSTANCE module = platform::test::LoadResModuleFile(TEST_RES);
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(101)), icon) << "icons are shared";
    const platform::IconImage *image = platform::FindIconImage(icon);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(std::pair(image->width, image->height), std::pair(c.size, c.size));
    const auto at = [&](POINT p) { return static_cast<std::size_t>(p.y * c.size + p.x); };
    EXPECT_EQ(std::pair(image->pixels[at(c.at)], int{image->alpha[at(c.at)]}),
              std::pair(c.pixel, c.size == 32 ? 40 : 255));
    if (c.clear.x >= 0) {
      EXPECT_EQ(image->alpha[at(c.clear)], 0);
    } else {
      EXPECT_EQ(image->pixels[at({0, 0})], 0xFFFFFFu) << "top row first";
      EXPECT_EQ(image->pixels[at({63, 63})], 0xFFFFFFu);
    }
  }
}

} // namespace
