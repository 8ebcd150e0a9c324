// The table-on-a-screen fixture and the pixel helpers of the view tests.
#include "table_fixture.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <vector>

#include "kernel/module.h"
#include "view/geometry.h"
#include "view/table_renderer.h"

namespace viewtest {

namespace {

platform::DeviceConfig ConfigOf(const TableScreen &screen) {
  platform::DeviceConfig config;
  config.width = screen.width;
  config.height = screen.height;
  config.dpi = screen.dpi;
  return config;
}

// The navigation bar above the window and the menu bar below it, in logical pixels.
constexpr int BarHeight = 26;

// A memory DC holding a bitmap of its own, compatible with `reference`.
struct Canvas {
  Canvas(HDC reference, int width, int height)
      : dc(CreateCompatibleDC(reference)), bitmap(CreateCompatibleBitmap(reference, width, height)),
        previous(SelectObject(dc, bitmap)) {}
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;
  platform::Surface Pixels() const { return *platform::BitmapSurface(bitmap); }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
};

} // namespace

TableOnScreen::TableOnScreen(const TableScreen &screen) : device_(ConfigOf(screen)) {
  std::string error;
  module_ = platform::test::LoadResModule(platform::EmbeddedResources(), &error);
  EXPECT_NE(module_, nullptr) << error;
  screenDpi = 0; // a fresh process would capture this screen's dpi
  CaptureScreenDpi();
  window_ = platform::test::CreatePlainWindow(u"BlackJack");
  const int bar = ScaleForDpi(BarHeight);
  MoveWindow(window_, 0, bar, screen.width, screen.height - 2 * bar, FALSE);
  table_ = std::make_unique<GameTable>(module_, window_);
}

TableOnScreen::~TableOnScreen() {
  table_.reset();
  DestroyWindow(window_);
  screenDpi = 0;
  landscapeLayout = 0;
}

platform::Surface TableOnScreen::Paint() {
  RECT client{};
  GetClientRect(window_, &client);
  HDC windowDC = GetDC(window_);
  const Canvas canvas(windowDC, client.right, client.bottom);
  PaintTable(*table_, canvas.dc);
  ReleaseDC(window_, windowDC);
  return canvas.Pixels();
}

const platform::Surface &Pixels(const ImageAsset &asset) {
  static const platform::Surface none;
  const auto surface = platform::BitmapSurface(asset.bitmap);
  return surface != nullptr ? *surface : none;
}

platform::Surface TextMask(int width, int height, int x, int y, LPCWSTR text) {
  HDC screen = GetDC(nullptr);
  const Canvas canvas(screen, width, height);
  ReleaseDC(nullptr, screen);
  PatBlt(canvas.dc, 0, 0, width, height, BLACKNESS);

  LOGFONTW font{};
  font.lfHeight = ScaleForDpi(16);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  std::char_traits<WCHAR>::copy(font.lfFaceName, u"Tahoma", 7);
  HFONT created = CreateFontIndirectW(&font);
  HGDIOBJ previousFont = SelectObject(canvas.dc, created);
  SetBkMode(canvas.dc, TRANSPARENT);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  ExtTextOutW(canvas.dc, x, y, 0, nullptr, text,
              static_cast<UINT>(std::char_traits<WCHAR>::length(text)), nullptr);
  SelectObject(canvas.dc, previousFont);
  DeleteObject(created);
  return canvas.Pixels();
}

RECT WhiteBounds(const platform::Surface &surface) {
  RECT bounds{surface.width, surface.height, 0, 0};
  for (int y = 0; y < surface.height; ++y) {
    for (int x = 0; x < surface.width; ++x) {
      if (surface.Row(y)[x] == White) {
        bounds.left = std::min<LONG>(bounds.left, x);
        bounds.top = std::min<LONG>(bounds.top, y);
        bounds.right = std::max<LONG>(bounds.right, x + 1);
        bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
      }
    }
  }
  return bounds.left < bounds.right ? bounds : RECT{};
}

platform::Surface ReadPng(const std::string &path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    return {};
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return {};
  }
  platform::Surface surface(static_cast<int>(image.width), static_cast<int>(image.height));
  for (std::size_t i = 0; i < surface.pixels.size(); ++i) {
    surface.pixels[i] =
        (std::uint32_t{rgb[3 * i]} << 16) | (std::uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  }
  return surface;
}

} // namespace viewtest
