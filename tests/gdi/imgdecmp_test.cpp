// DecompressImageIndirect: the read callback's pieces, the record's checks, scaling,
// transparency, failures that leave nothing behind, and pictures decoded ahead.
// The colour formats are the decoder's own tests (png_test.cpp).
#include <imgdecmp.h>
#include <windows.h>

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "device/ahead.h"
#include "device/device.h"
#include "gdi/surface.h"
#include "imgdecmp/ahead.h"
#include "testing/testing.h"

namespace {

using platform::test::GdiObjectCounts;
using platform::test::HeadlessDevice;
using platform::test::LastImageDecodeError;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Fixture(const char *name) { return ReadFile(std::string(TEST_IMAGES) + "/" + name); }

// A decode set up as the game sets it up, with the game's reader: a cursor over
// the bytes, recording each piece it delivers.
struct Decode {
  const Bytes &data;
  std::size_t cursor = 0;
  std::vector<DWORD> pieces;
  DWORD extra = 0; // claim this many more bytes than asked for (a faulty reader)
  int progress = 0;
  int completions = 0;
  BYTE buffer[1024] = {};
  HBITMAP bitmap = nullptr;
  DecompressImageInfo info{.dwSize = 60,
                           .pbBuffer = buffer,
                           .phBM = &bitmap,
                           .iBitDepth = 32,
                           .lParam = reinterpret_cast<LPARAM>(this),
                           .iScale = 100,
                           .iMaxWidth = 10000,
                           .iMaxHeight = 10000,
                           .pfnGetData = Read,
                           .pfnImageProgress = Progress,
                           .crTransparentOverride = CLR_INVALID};

  explicit Decode(const Bytes &bytes, DWORD bufferMax = 1024) : data(bytes) {
    info.dwBufferMax = bufferMax;
  }
  ~Decode() {
    if (bitmap != nullptr) {
      DeleteObject(bitmap);
    }
  }
  HRESULT Run() { return DecompressImageIndirect(&info); }
  std::shared_ptr<platform::Surface> Surface() const { return platform::BitmapSurface(bitmap); }

  static DWORD CALLBACK Read(LPSTR buffer, DWORD max, LPARAM lParam) {
    auto &d = *reinterpret_cast<Decode *>(lParam);
    const std::size_t count = std::min<std::size_t>(max, d.data.size() - d.cursor);
    std::copy_n(d.data.begin() + static_cast<std::ptrdiff_t>(d.cursor), count, buffer);
    d.cursor += count;
    d.pieces.push_back(static_cast<DWORD>(count));
    return static_cast<DWORD>(count) + (count > 0 ? d.extra : 0);
  }
  static void CALLBACK Progress(IImageRender *render, BOOL complete, LPARAM lParam) {
    EXPECT_EQ(render, nullptr);
    auto &d = *reinterpret_cast<Decode *>(lParam);
    ++(complete ? d.completions : d.progress);
  }
};

TEST(Decompress, PullsTheGamesResourceInBufferSizedPiecesToTheEnd) {
  HeadlessDevice device;
  const Bytes picture = ReadFile(TEST_PICTURE);
  ASSERT_EQ(picture.size(), 2672u);
  Decode d(picture);
  HDC reference = CreateCompatibleDC(nullptr);
  d.info.hdc = reference;
  auto *render = reinterpret_cast<IImageRender *>(0x99);
  d.info.ppImageRender = &render;
  ASSERT_EQ(d.Run(), S_OK) << LastImageDecodeError();
  EXPECT_EQ(d.pieces, (std::vector<DWORD>{1024, 1024, 624, 0}));
  EXPECT_EQ(render, nullptr);
  EXPECT_EQ(d.completions, 1);
  EXPECT_GE(d.progress, 1);
  const auto surface = d.Surface();
  EXPECT_EQ(surface->width, 40);
  EXPECT_EQ(surface->height, 30);
  EXPECT_EQ(surface->Row(0)[0], 0xFF00FFu) << "magenta corner, exact";
  EXPECT_EQ(surface->Row(29)[39], 0xFF00FFu);
  // The bitmap goes into a memory DC and out again, as the game's images do.
  HGDIOBJ old = SelectObject(reference, d.bitmap);
  EXPECT_EQ(GetPixel(reference, 10, 2), RGB(0, 0, 200)) << "the blue frame";
  SelectObject(reference, old);
  DeleteDC(reference);
  for (DWORD size : {1u, 7u, 1000u}) {
    SCOPED_TRACE(size);
    Decode small(picture, size);
    small.info.pfnImageProgress = nullptr;
    ASSERT_EQ(small.Run(), S_OK);
    EXPECT_LE(*std::max_element(small.pieces.begin(), small.pieces.end()), size);
    EXPECT_EQ(small.pieces.back(), 0u);
    EXPECT_EQ(small.cursor, picture.size());
  }
}

TEST(Decompress, RefusesABadRecordBeforeReading) {
  HeadlessDevice device;
  const Bytes picture = ReadFile(TEST_PICTURE);
  using Spoil = void (*)(DecompressImageInfo &);
  const std::pair<const char *, Spoil> cases[] = {
      {"record size 59", [](DecompressImageInfo &i) { i.dwSize = 59; }},
      {"record size 0", [](DecompressImageInfo &i) { i.dwSize = 0; }},
      {"no bitmap slot", [](DecompressImageInfo &i) { i.phBM = nullptr; }},
      {"no reader", [](DecompressImageInfo &i) { i.pfnGetData = nullptr; }},
      {"no buffer", [](DecompressImageInfo &i) { i.pbBuffer = nullptr; }},
      {"empty buffer", [](DecompressImageInfo &i) { i.dwBufferMax = 0; }},
      {"a scale of 50", [](DecompressImageInfo &i) { i.iScale = 50; }},
      {"a stale DC", [](DecompressImageInfo &i) { i.hdc = reinterpret_cast<HDC>(0x1234); }},
  };
  for (const auto &[what, spoil] : cases) {
    SCOPED_TRACE(what);
    Decode d(picture);
    spoil(d.info);
    EXPECT_EQ(d.Run(), E_INVALIDARG);
    EXPECT_EQ(d.bitmap, nullptr);
    EXPECT_TRUE(d.pieces.empty()) << "nothing read";
  }
  EXPECT_EQ(DecompressImageIndirect(nullptr), E_INVALIDARG);
  Decode larger(picture);
  larger.info.dwSize = 4096;
  EXPECT_EQ(larger.Run(), S_OK) << "a larger record is accepted";
}

// Without an override colour, as the game asks, transparent pixels lie over black.
TEST(Decompress, TransparentPixelsLieOverBlack) {
  HeadlessDevice device;
  const Bytes data = Fixture("alpha.png");
  Decode d(data);
  ASSERT_EQ(d.Run(), S_OK);
  const auto surface = d.Surface();
  EXPECT_EQ(surface->Row(0)[0], 0x000000u) << "a clear pixel";
  EXPECT_EQ(surface->Row(1)[1], 0x808080u) << "a half-transparent grey";
  EXPECT_EQ(surface->Row(0)[3], 0xFF0000u) << "opaque pixels untouched";
}

// The picture is 40 x 30: at the maxima it decodes, over either one it is refused.
TEST(Decompress, AnImageOverTheMaximaIsRefused) {
  HeadlessDevice device;
  const Bytes picture = ReadFile(TEST_PICTURE);
  for (const auto &[maxW, maxH, result] :
       {std::tuple{40, 30, S_OK}, {39, 0, E_OUTOFMEMORY}, {0, 29, E_OUTOFMEMORY}}) {
    SCOPED_TRACE(testing::Message() << maxW << "x" << maxH);
    Decode d(picture);
    d.info.iMaxWidth = maxW;
    d.info.iMaxHeight = maxH;
    EXPECT_EQ(d.Run(), result);
    EXPECT_EQ(d.bitmap != nullptr, result == S_OK);
  }
}

// The bytes with those of one place flipped by `mask`.
Bytes Flipped(Bytes bytes, std::size_t at, std::uint8_t mask) {
  bytes[at] ^= mask;
  return bytes;
}

// The PNG with another size in IHDR (width at 16, height at 20) and IHDR's CRC
// (at 29) recomputed, so that only the size is wrong.
Bytes WithDimensions(Bytes png, std::uint32_t width, std::uint32_t height) {
  const auto put = [&](std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
      png[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
  };
  put(16, width);
  put(20, height);
  put(29, static_cast<std::uint32_t>(libdeflate_crc32(0, &png[12], 17)));
  return png;
}

TEST(Decompress, CorruptTruncatedOrOversizedDataFailsWithNoBitmapAndNoLeak) {
  HeadlessDevice device;
  const Bytes picture = ReadFile(TEST_PICTURE);
  struct Case {
    std::string what;
    Bytes data;
    HRESULT result;
    const char *reason;
    DWORD overrun = 0;
  };
  Bytes badData = picture;
  for (std::size_t i = 60; i < 200; ++i) {
    badData[i] = static_cast<std::uint8_t>(i * 37);
  }
  std::vector<Case> cases = {
      {"empty", {}, E_FAIL, "truncated"},
      {"not a PNG", Flipped(picture, 1, 'P' ^ 'Q'), E_FAIL, "PNG"},
      {"header checksum", Flipped(picture, 30, 0x40), E_FAIL, "CRC"},
      {"scrambled image data", badData, E_FAIL, ""},
      {"a reader that overruns its buffer", picture, E_FAIL, "overran", 1},
      {"too wide", WithDimensions(picture, 4097, 30), E_OUTOFMEMORY, ""},
      {"too tall", WithDimensions(picture, 40, 100000), E_OUTOFMEMORY, ""},
      {"too many pixels", WithDimensions(picture, 4096, 4096), E_OUTOFMEMORY, "pixels"},
      {"allowed size, missing data", WithDimensions(picture, 4096, 2048), E_FAIL, ""},
      {"absurd", WithDimensions(picture, 0x7FFFFFFF, 0x7FFFFFFF), E_OUTOFMEMORY, ""},
      {"zero width", WithDimensions(picture, 0, 30), E_FAIL, ""},
  };
  // The last 12 bytes are the IEND chunk: cutting anywhere before it truncates the image.
  for (std::size_t size = 1; size + 12 < picture.size(); size += 13) {
    cases.push_back({"cut to " + std::to_string(size),
                     Bytes(picture.begin(), picture.begin() + static_cast<std::ptrdiff_t>(size)),
                     E_FAIL, ""});
  }
  const auto start = GdiObjectCounts();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Decode d(c.data);
    d.extra = c.overrun;
    HBITMAP sentinel = reinterpret_cast<HBITMAP>(0x4444);
    d.bitmap = sentinel;
    EXPECT_EQ(d.Run(), c.result) << LastImageDecodeError();
    EXPECT_NE(LastImageDecodeError().find(c.reason), std::string::npos) << LastImageDecodeError();
    EXPECT_EQ(d.bitmap, sentinel) << "untouched on failure";
    d.bitmap = nullptr;
    EXPECT_EQ(d.completions, 0);
  }
  EXPECT_EQ(GdiObjectCounts(), start);
}

// A program's pictures decoded on the worker while it starts: each handed over once,
// for exactly the bytes queued, as the same pixels, and dropped when the program
// first waits for input.
TEST(DecodedAhead, HandsOverTheSamePixelsOnceForExactlyTheQueuedBytes) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page has one thread: it decodes every picture when asked";
#endif
  HeadlessDevice device;
  const Bytes picture = ReadFile(TEST_PICTURE);
  const Bytes alpha = Fixture("alpha.png");
  const Bytes corrupt = Flipped(picture, 30, 0x40);
  const auto span = [](const Bytes &b) { return std::span<const std::uint8_t>(b); };
  platform::DecodeAhead({span(picture), span(alpha), span(corrupt)});
  platform::FinishWorkAhead();

  EXPECT_FALSE(platform::TakeDecodedAhead(Flipped(picture, 100, 0x01))) << "one byte differs";
  const auto taken = platform::TakeDecodedAhead(alpha);
  ASSERT_TRUE(taken);
  platform::PngImage onTheSpot;
  std::string error;
  ASSERT_EQ(platform::DecodePngBytes(alpha.data(), alpha.size(), {}, &onTheSpot, &error),
            platform::PngStatus::Ok);
  EXPECT_EQ(taken->argb, onTheSpot.argb);
  EXPECT_FALSE(platform::TakeDecodedAhead(alpha)) << "handed over once";

  // The layer's call takes its picture, and still reads the caller's data to the end.
  Decode ahead(picture);
  ASSERT_EQ(ahead.Run(), S_OK);
  EXPECT_EQ(ahead.cursor, picture.size());
  EXPECT_EQ(ahead.completions, 1);
  EXPECT_FALSE(platform::TakeDecodedAhead(picture)) << "taken by DecompressImageIndirect";
  Decode again(picture);
  ASSERT_EQ(again.Run(), S_OK);
  EXPECT_EQ(ahead.Surface()->pixels, again.Surface()->pixels);
  Decode bad(corrupt);
  EXPECT_EQ(bad.Run(), E_FAIL);
  EXPECT_NE(LastImageDecodeError().find("CRC"), std::string::npos) << LastImageDecodeError();

  platform::DecodeAhead({span(picture)});
  platform::FinishWorkAhead();
  platform::RunIdleHooks();
  EXPECT_FALSE(platform::TakeDecodedAhead(picture)) << "dropped at the first wait";
}

// A library may fork while pictures are being decoded ahead (SDL's start can, to
// reach the session's message bus), and the child has only the forking thread: no
// job may be under way at the fork, or a lock it holds, the allocator's above all,
// stays taken in the child for ever.
TEST(WorkAhead, AForkWaitsForTheJobUnderWay) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page has one thread and no fork";
#endif
  HeadlessDevice device;
  std::atomic<int> stage{0}; // 1: the job has started, 2: it has finished
  platform::RunAhead([&stage] {
    stage = 1;
    usleep(200000);
    stage = 2;
  });
  while (stage == 0) {
    usleep(1000);
  }
  const pid_t child = fork();
  if (child == 0) {
    _exit(stage == 2 ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  EXPECT_EQ(stage, 2) << "the fork came while the job ran";
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The worker goes on after the fork.
  std::atomic<bool> ran{false};
  platform::RunAhead([&ran] { ran = true; });
  platform::FinishWorkAhead();
  EXPECT_TRUE(ran);
}

} // namespace
