// Image assets: the choice of the dpi set, loading, releasing and the decoder's read callback.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

#include "fixture.h"
#include "kernel/module.h"
#include "view/image_asset.h"

namespace {

using platform::test::GdiCounts;
using platform::test::GdiObjectCounts;

// Ids of tests/view/view_test.rc.
constexpr int CardBackId = 1;
constexpr int BrokenPngId = 2;
constexpr int BlobId = 3;
constexpr int MissingId = 999;

// A fresh device with the test resources, the screen's DC standing in for the window's as the
// reference context, and the GDI counts before the test's own objects.
class LoadedAsset : public ::testing::Test {
protected:
  LoadedAsset() {
    std::string error;
    module = platform::test::LoadResModuleFile(VIEW_TEST_RES, &error);
    EXPECT_NE(module, nullptr) << error;
  }
  ~LoadedAsset() override { ReleaseDC(nullptr, screen); }
  LoadedAsset(const LoadedAsset &) = delete;
  LoadedAsset &operator=(const LoadedAsset &) = delete;

  GdiCounts Plus(int memoryDCs, int bitmaps) const {
    GdiCounts counts = before;
    counts.memoryDCs += memoryDCs;
    counts.bitmaps += bitmaps;
    return counts;
  }
  static DWORD Read(ResourceBlob &blob, char *buffer, DWORD size) {
    return ReadResourceChunk(buffer, size, reinterpret_cast<LPARAM>(&blob));
  }

  platform::test::HeadlessDevice device;
  HINSTANCE module = nullptr;
  HDC screen = GetDC(nullptr);
  const GdiCounts before = GdiObjectCounts();
};

TEST(ImageAsset, TheSetIsChosenByTheWindowsDpiWith130TheFirstOfTheLargeSet) {
  for (const auto &[dpi, feltWidth] : {std::pair{96, 240}, {129, 240}, {130, 480}, {192, 480}}) {
    viewtest::TableOnScreen screen({"portrait", 240, 320, dpi});
    EXPECT_EQ(screen.Table().portraitTable.Width(), feltWidth) << dpi << " dpi";
  }
}

// A missing resource, one of another type, and data that is no picture: no bitmap and no size,
// only the memory context, which goes with the asset.
TEST_F(LoadedAsset, WhatCannotBeDecodedLeavesAnEmptyPicture) {
  for (const auto &[id, type, found] : {std::tuple{MissingId, u"PNG", 0},
                                        {CardBackId, u"WAVE", 0},
                                        {BrokenPngId, u"PNG", 1},
                                        {BlobId, u"PNG", 1}}) {
    SCOPED_TRACE(id);
    {
      ImageAsset asset;
      EXPECT_EQ(asset.LoadFromResource(screen, id, type, module), found);
      EXPECT_EQ(std::tuple(asset.bitmap, asset.Width(), asset.Height(), GdiObjectCounts()),
                std::tuple(nullptr, 0, 0, Plus(1, 0)));
    }
    EXPECT_EQ(GdiObjectCounts(), before);
  }
}

// A second load lets the first bitmap and context go, a failed one the good one before it, and
// Release takes the bitmap out of its context first, since a selected bitmap cannot be deleted:
// the counts going back to where they were show it.
TEST_F(LoadedAsset, ReloadingAndReleasingLetEveryBitmapAndContextGo) {
  ImageAsset asset;
  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  EXPECT_EQ(std::pair(asset.Width(), asset.Height()), std::pair(30, 45));
  HBITMAP firstBitmap = asset.bitmap;
  HDC firstDC = asset.SourceDC();
  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  EXPECT_EQ(GdiObjectCounts(), Plus(1, 1));
  EXPECT_EQ(GetObjectType(firstBitmap), 0u) << "the first bitmap is still alive";
  EXPECT_EQ(GetObjectType(firstDC), 0u) << "the first context is still alive";
  EXPECT_EQ(GetCurrentObject(asset.SourceDC(), OBJ_BITMAP), asset.bitmap);
  asset.Release();
  EXPECT_EQ(std::tuple(GdiObjectCounts(), asset.SourceDC(), asset.Width()),
            std::tuple(before, nullptr, 0));
  ASSERT_EQ(asset.LoadFromResource(screen, CardBackId, u"PNG", module), 1);
  EXPECT_EQ(asset.LoadFromResource(screen, MissingId, u"PNG", module), 0);
  EXPECT_EQ(asset.Width(), 0);
  EXPECT_EQ(GdiObjectCounts(), Plus(1, 0));
  asset.Release();
  asset.Release(); // a second release finds nothing left
  EXPECT_EQ(GdiObjectCounts(), before);
}

TEST_F(LoadedAsset, ReadResourceChunkDeliversPiecesOfTheBufferThenZero) {
  ResourceBlob blob(module, BlobId, u"PNG");
  ASSERT_EQ(blob.size, 2672u);
  std::vector<BYTE> read;
  std::vector<DWORD> counts;
  char buffer[1024];
  for (int call = 0; call < 5; ++call) {
    counts.push_back(Read(blob, buffer, sizeof(buffer)));
    read.insert(read.end(), buffer, buffer + counts.back());
  }
  EXPECT_EQ(counts, (std::vector<DWORD>{1024, 1024, 624, 0, 0}));
  std::ifstream file(VIEW_TEST_DIR "/blob_2672.bin", std::ios::binary);
  EXPECT_EQ(read, std::vector<BYTE>(std::istreambuf_iterator<char>(file), {}));

  // A request as large as 32 bits allow, near the end, must not wrap and read past the end.
  blob.cursor = blob.size - 10;
  EXPECT_EQ(Read(blob, buffer, 0xFFFFFFFFu), 10u);
}

} // namespace
