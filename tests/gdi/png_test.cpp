// The PNG writer: what it writes reads back pixel for pixel, and a failed write
// leaves no file.
#include <windows.h>

#include <gtest/gtest.h>
#include <png.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "gdi/png_write.h"
#include "gdi/surface.h"
#include "testing/testing.h"

namespace {

using platform::Surface;

// Reads a PNG as 0x00RRGGBB pixels with libpng's simple reader.
Surface ReadBack(const std::string &path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << path;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
  EXPECT_NE(png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr), 0) << path;
  Surface out(static_cast<int>(image.width), static_cast<int>(image.height));
  for (std::size_t i = 0; i < out.pixels.size(); ++i) {
    out.pixels[i] = (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) |
                    bytes[i * 3 + 2];
  }
  return out;
}

std::string TempPath(const char *name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

TEST(PngWriter, TheScreenAndBitmapsReadBackExactly) {
  platform::test::HeadlessDevice device;
  Surface &screen = platform::ScreenSurface();
  for (std::size_t i = 0; i < screen.pixels.size(); ++i) {
    screen.pixels[i] = static_cast<std::uint32_t>((i * 977 + i / 240 * 131) & 0xFFFFFF);
  }
  const std::string path = TempPath("gdi_png_test_screen.png");
  std::string error;
  ASSERT_TRUE(platform::test::WriteScreenPng(path, &error)) << error;
  const Surface back = ReadBack(path);
  EXPECT_EQ(back.width, 240);
  EXPECT_EQ(back.pixels, screen.pixels);
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
  platform::BitmapSurface(bitmap)->Row(1)[2] = 0xFF00FF;
  ASSERT_TRUE(platform::test::WriteBitmapPng(bitmap, path, &error)) << error;
  EXPECT_EQ(ReadBack(path).pixels, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0xFF00FF}));
  DeleteObject(bitmap);
  std::filesystem::remove(path);
}

TEST(PngWriter, FailuresSayWhyAndLeaveNoFile) {
  platform::test::HeadlessDevice device;
  std::string error;
  const std::string missing = TempPath("no-such-folder-gdi/shot.png");
  EXPECT_FALSE(platform::WritePng(Surface(2, 2), missing, &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(platform::WritePng(Surface(), TempPath("gdi_empty.png"), &error));
  EXPECT_EQ(error, "the image is empty");
  EXPECT_FALSE(std::filesystem::exists(TempPath("gdi_empty.png")));
  EXPECT_FALSE(platform::test::WriteBitmapPng(nullptr, TempPath("gdi_none.png"), &error));
}

// Links and FIFOs planted where the temporary file could be made (by another user in
// a shared folder): none is written through or waited on, and each stays.
TEST(PngWriter, NothingPlantedAtTheTemporaryNamesIsWrittenThroughOrWaitedOn) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page's files have no other user to plant them, nor real FIFOs";
#endif
  platform::test::HeadlessDevice device;
  platform::test::TempProfile folder;
  const std::string shot = folder.Dir() + "/shot.png";
  const std::string victim = folder.Dir() + "/victim";
  std::ofstream(victim) << "kept";
  std::vector<std::string> planted{shot + ".tmp"};
  for (int n = 1; n <= 40; ++n) {
    planted.push_back(shot + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(n));
  }
  for (std::size_t i = 0; i < planted.size(); ++i) {
    ASSERT_EQ(i % 2 == 0 ? symlink(victim.c_str(), planted[i].c_str())
                         : mkfifo(planted[i].c_str(), 0600),
              0);
  }
  std::string error;
  ASSERT_TRUE(platform::WritePng(Surface(2, 2), shot, &error)) << error;
  EXPECT_EQ(ReadBack(shot).width, 2);
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
  for (const std::string &path : planted) {
    EXPECT_TRUE(std::filesystem::is_symlink(path) || std::filesystem::is_fifo(path)) << path;
  }
}

} // namespace
