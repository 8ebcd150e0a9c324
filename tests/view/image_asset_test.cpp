// Image assets: the choice of the dpi set, loading, releasing and the decoder's read callback.
#include <windows.h>

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "kernel/module.h"
#include "table_fixture.h"
#include "view/image_asset.h"

namespace {

using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;

// Ids of tests/view/view_test.rc.
constexpr int CardBackId = 1;
constexpr int BrokenPngId = 2;
constexpr int BlobId = 3;
constexpr int MissingId = 999;

HINSTANCE LoadTestModule() {
  std::string error;
  HINSTANCE module = platform::test::LoadResModuleFile(VIEW_TEST_RES, &error);
  EXPECT_NE(module, nullptr) << error;
  return module;
}

// The screen DC stands in for the main window's DC as the reference context.
class ScreenDC {
public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC &) = delete;
  ScreenDC &operator=(const ScreenDC &) = delete;
  operator HDC() const { return dc_; }

private:
  HDC dc_;
};

// A fresh device with the test resources, the screen's DC as the reference
// context, and the GDI counts before the test's own objects.
class LoadedAsset : public ::testing::Test {
protected:
  HeadlessDevice device;
  HINSTANCE module = LoadTestModule();
  ScreenDC screen;
  const platform::test::GdiCounts before = GdiObjectCounts();
};

platform::test::GdiCounts Plus(platform::test::GdiCounts counts, int memoryDCs, int bitmaps) {
  counts.memoryDCs += memoryDCs;
  counts.bitmaps += bitmaps;
  return counts;
}

TEST(ImageAsset, TheSetIsChosenByTheWindowsDpiWith130TheFirstOfTheLargeSet) {
  struct Case {
    int dpi;
    int feltWidth;
  };
  for (const Case c : {Case{96, 240}, Case{129, 240}, Case{130, 480}, Case{192, 480}}) {
    SCOPED_TRACE(::testing::Message() << c.dpi << " dpi");
    viewtest::TableOnScreen screen({"portrait", 240, 320, c.dpi});
    EXPECT_EQ(screen.Table().portraitTable.Width(), c.feltWidth);
  }
}

// Each member holds the picture of its own resource: the sizes of the two sets,
// and for the card strips the very pixels of their PNG files.
TEST(ImageAsset, EachMemberHoldsItsOwnPictureInBothSets) {
  struct Member {
    ImageAsset GameTable::*asset;
    const char *file; // without the "_96.png" or "_192.png"
    SIZE small;
  };
  const Member members[] = {
      {&GameTable::portraitTable, "table_portrait", {240, 280}},
      {&GameTable::landscapeTable, "table_landscape", {320, 187}},
      {&GameTable::clubsStrip, "clubs", {390, 45}},
      {&GameTable::diamondsStrip, "diamonds", {390, 45}},
      {&GameTable::spadesStrip, "spades", {390, 45}},
      {&GameTable::heartsStrip, "hearts", {390, 45}},
      {&GameTable::cardBack, "card_back", {30, 45}},
      {&GameTable::portraitButtons, "buttons_portrait", {240, 30}},
      {&GameTable::landscapeButtons, "buttons_landscape", {70, 187}},
      {&GameTable::portraitChips, "chips_portrait", {240, 36}},
      {&GameTable::landscapeChips, "chips_landscape", {36, 187}},
  };
  for (int dpi : {96, 192}) {
    viewtest::TableOnScreen screen({"portrait", 240 * dpi / 96, 320 * dpi / 96, dpi});
    for (const Member &m : members) {
      SCOPED_TRACE(::testing::Message() << m.file << " at " << dpi);
      const ImageAsset &asset = screen.Table().*m.asset;
      const std::string file =
          std::string(RESOURCES_DIR) + "/" + m.file + (dpi == 96 ? "_96.png" : "_192.png");
      const platform::Surface expected = viewtest::ReadPng(file);
      ASSERT_GT(expected.width, 0) << file;
      if (dpi == 96) {
        EXPECT_EQ(asset.Width(), m.small.cx);
        EXPECT_EQ(asset.Height(), m.small.cy);
      }
      EXPECT_EQ(asset.Width(), expected.width);
      EXPECT_EQ(asset.Height(), expected.height);
      EXPECT_TRUE(viewtest::Pixels(asset).pixels == expected.pixels);
      EXPECT_NE(asset.SourceDC(), nullptr);
    }
  }
}

TEST_F(LoadedAsset, AMissingResourceGivesZeroAndAnEmptyPicture) {
  {
    ImageAsset asset;
    EXPECT_EQ(asset.LoadFromResource(screen, MissingId, u"PNG", module), 0);
    EXPECT_EQ(asset.Width(), 0);
    EXPECT_EQ(asset.Height(), 0);
    EXPECT_EQ(asset.bitmap, nullptr);
    // The memory context stays with the asset, without a picture.
    EXPECT_NE(asset.SourceDC(), nullptr);
    EXPECT_EQ(GdiObjectCounts(), Plus(before, 1, 0));
    // A resource of another type under the same id is not taken either.
    EXPECT_EQ(asset.LoadFromResource(screen, CardBackId, u"WAVE", module), 0);
    EXPECT_EQ(asset.Width(), 0);
  }
  EXPECT_EQ(GdiObjectCounts(), before);
}

TEST_F(LoadedAsset, DataThatIsNotAPictureIsFoundButLeavesNoBitmap) {
  for (int id : {BrokenPngId, BlobId}) {
    SCOPED_TRACE(id);
    ImageAsset asset;
    EXPECT_EQ(asset.LoadFromResource(screen, id, u"PNG", module), 1);
    EXPECT_EQ(asset.bitmap, nullptr);
    EXPECT_EQ(asset.Width(), 0);
    EXPECT_EQ(asset.Height(), 0);
    EXPECT_EQ(GdiObjectCounts(), Plus(before, 1, 0));
  }
  EXPECT_EQ(GdiObjectCounts(), before);
}

TEST_F(LoadedAsset, LoadingTwiceReleasesTheFirstBitmapAndContext) {
  ImageAsset asset;
  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  EXPECT_EQ(asset.Width(), 30);
  EXPECT_EQ(asset.Height(), 45);
  EXPECT_EQ(GdiObjectCounts(), Plus(before, 1, 1));
  HBITMAP firstBitmap = asset.bitmap;
  HDC firstDC = asset.SourceDC();

  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  EXPECT_EQ(GdiObjectCounts(), Plus(before, 1, 1));
  EXPECT_EQ(GetObjectType(firstBitmap), 0u) << "the first bitmap is still alive";
  EXPECT_EQ(GetObjectType(firstDC), 0u) << "the first context is still alive";
  EXPECT_EQ(GetObjectType(asset.SourceDC()), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(GetCurrentObject(asset.SourceDC(), OBJ_BITMAP), asset.bitmap);

  // A failed load after a good one still lets the good one go.
  EXPECT_EQ(asset.LoadFromResource(screen, MissingId, u"PNG", module), 0);
  EXPECT_EQ(asset.Width(), 0);
  EXPECT_EQ(GdiObjectCounts(), Plus(before, 1, 0));
}

// A bitmap selected into a context cannot be deleted, so the counts going back to
// where they were prove that Release never deletes the bitmap while it is still
// selected, and that it lets go of both objects.
TEST_F(LoadedAsset, ReleaseTakesTheBitmapOutOfItsContextSoThatBothAreDeleted) {
  ImageAsset asset;
  asset.Release(); // an empty asset: nothing to do
  EXPECT_EQ(GdiObjectCounts(), before);

  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  HBITMAP bitmap = asset.bitmap;
  ASSERT_NE(asset.previousBitmap, nullptr);
  asset.Release();
  EXPECT_EQ(GdiObjectCounts(), before);
  EXPECT_EQ(GetObjectType(bitmap), 0u);
  EXPECT_EQ(asset.SourceDC(), nullptr);
  EXPECT_EQ(asset.bitmap, nullptr);
  EXPECT_EQ(asset.previousBitmap, nullptr);
  EXPECT_EQ(asset.Width(), 0);
  EXPECT_EQ(asset.Height(), 0);
  asset.Release(); // a second release finds nothing left
  EXPECT_EQ(GdiObjectCounts(), before);
}

TEST(ImageAsset, TheTableReleasesItsElevenPicturesWhenItGoes) {
  HeadlessDevice device;
  std::string error;
  HINSTANCE module = platform::test::LoadResModule(platform::EmbeddedResources(), &error);
  ASSERT_NE(module, nullptr) << error;
  HWND window = platform::test::CreatePlainWindow();
  const auto before = GdiObjectCounts();
  {
    GameTable table(module, window);
    const auto loaded = GdiObjectCounts();
    EXPECT_EQ(loaded.memoryDCs, before.memoryDCs + 11);
    EXPECT_EQ(loaded.bitmaps, before.bitmaps + 11);
  }
  EXPECT_EQ(GdiObjectCounts(), before);
}

// ---- The decoder's read callback ----

std::vector<BYTE> FileBytes(const char *path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReadResourceChunk, DeliversTheResourceInPiecesOfTheBufferAndThenZero) {
  HeadlessDevice device;
  HINSTANCE module = LoadTestModule();
  ResourceBlob blob(module, BlobId, u"PNG");
  ASSERT_TRUE(blob.HasData());
  ASSERT_EQ(blob.size, 2672u);
  blob.cursor = 0;
  std::vector<BYTE> read;
  std::vector<DWORD> counts;
  char buffer[1024];
  for (int call = 0; call < 5; ++call) {
    const DWORD count = ReadResourceChunk(buffer, sizeof(buffer), reinterpret_cast<LPARAM>(&blob));
    counts.push_back(count);
    read.insert(read.end(), buffer, buffer + count);
  }
  EXPECT_EQ(counts, (std::vector<DWORD>{1024, 1024, 624, 0, 0}));
  EXPECT_EQ(read, FileBytes(VIEW_TEST_DIR "/blob_2672.bin"));
}

TEST(ReadResourceChunk, NothingFromANullBlobAMissingResourceOrUnreadableBytes) {
  HeadlessDevice device;
  HINSTANCE module = LoadTestModule();
  char buffer[64];
  EXPECT_EQ(ReadResourceChunk(buffer, sizeof(buffer), 0), 0u);

  ResourceBlob missing(module, MissingId, u"PNG");
  EXPECT_FALSE(missing.HasData());
  EXPECT_EQ(missing.size, 0u);
  EXPECT_EQ(missing.resourceInfo, nullptr);
  EXPECT_EQ(ReadResourceChunk(buffer, sizeof(buffer), reinterpret_cast<LPARAM>(&missing)), 0u);

  // Bytes that cannot be read deliver nothing and leave the cursor in place.
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void *guarded = mmap(nullptr, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(guarded, MAP_FAILED);
  ResourceBlob unreadable(module, BlobId, u"PNG");
  unreadable.data = static_cast<const BYTE *>(guarded);
  unreadable.size = 100;
  unreadable.cursor = 10;
  EXPECT_EQ(ReadResourceChunk(buffer, sizeof(buffer), reinterpret_cast<LPARAM>(&unreadable)), 0u);
  EXPECT_EQ(unreadable.cursor, 10u);
  munmap(guarded, page);
}

// A request as large as 32 bits allow, near the end, must not wrap around and
// read past the resource.
TEST(ReadResourceChunk, AHugeRequestNearTheEndGetsOnlyWhatIsLeft) {
  HeadlessDevice device;
  HINSTANCE module = LoadTestModule();
  ResourceBlob blob(module, BlobId, u"PNG");
  ASSERT_TRUE(blob.HasData());
  blob.cursor = blob.size - 10;
  std::vector<char> buffer(64);
  EXPECT_EQ(ReadResourceChunk(buffer.data(), 0xFFFFFFFFu, reinterpret_cast<LPARAM>(&blob)), 10u);
  EXPECT_EQ(blob.cursor, blob.size);
  EXPECT_EQ(ReadResourceChunk(buffer.data(), 0xFFFFFFFFu, reinterpret_cast<LPARAM>(&blob)), 0u);
  // A cursor already past the end delivers nothing.
  blob.cursor = blob.size + 5;
  EXPECT_EQ(ReadResourceChunk(buffer.data(), 16, reinterpret_cast<LPARAM>(&blob)), 0u);
}

} // namespace
