// The kernel services the game relies on: versions, platform type, time, strings.
#include <windows.h>

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <span>
#include <string>
#include <tuple>

#include "kernel/module.h"
#include "testing/testing.h"

namespace {

using platform::DeviceConfig;
using platform::test::HeadlessDevice;

// A record one byte short is refused, and so is a buffer with no room for the platform type's
// terminator; a system whose queries fail fails both. What each named system reports shows in
// the game's classification of it.
TEST(Version, ShortBuffersAreRefusedAndAFailingSystemFailsBoth) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    DeviceConfig config;
    ASSERT_TRUE(platform::OsProfileByName(fails ? "fail" : "ce5.1", &config.os));
    HeadlessDevice device(config);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info) - 1;
    EXPECT_FALSE(GetVersionExW(&info));
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(GetVersionExW(&info) != FALSE, !fails);
    WCHAR buffer[256] = {};
    const UINT bytes = sizeof(u"PocketPC");
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, bytes - 1, buffer, 0));
    EXPECT_EQ(SystemParametersInfoW(SPI_GETPLATFORMTYPE, bytes, buffer, 0) != FALSE, !fails);
    EXPECT_EQ(std::u16string(buffer), fails ? u"" : u"PocketPC");
  }
  platform::OsProfile unused;
  EXPECT_FALSE(platform::OsProfileByName("ce9", &unused));
}

TEST(Time, VirtualClockStartsAtItsSetTimeAndAdvances) {
  HeadlessDevice device({.clockStart = SYSTEMTIME{2026, 12, 0, 31, 23, 59, 58, 500}});
  SYSTEMTIME t{};
  GetLocalTime(&t);
  EXPECT_EQ(t.wSecond, 58);
  platform::test::AdvanceClock(2000);
  GetLocalTime(&t);
  EXPECT_EQ(std::tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wSecond, t.wMilliseconds),
            std::tuple(2027, 1, 1, 0, 0, 500));
  EXPECT_EQ(GetTickCount(), 2000u);
}

TEST(Strings, CompareLikeWin32) {
  struct Case {
    const char16_t *a;
    const char16_t *b;
    int exact;
    int folded;
  };
  const Case cases[] = {
      {u"PocketPC", u"PocketPC", 0, 0},
      {u"PocketPC", u"pocketpc", -1, 0},
      {u"Pocket", u"PocketPC", -1, -1},
      {u"b", u"a", 1, 1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(lstrcmpW(c.a, c.b), c.exact);
    EXPECT_EQ(lstrcmpiW(c.a, c.b), c.folded);
  }
  EXPECT_EQ(lstrlenW(u"BlackJack"), 9);
}

TEST(Memory, IsBadReadPtrTellsMappedFromUnmapped) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "WebAssembly memory is one block with no protection to test";
#endif
  const long page = sysconf(_SC_PAGESIZE);
  void *area = mmap(nullptr, static_cast<size_t>(page) * 2, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(area, MAP_FAILED);
  auto *bytes = static_cast<char *>(area);
  ASSERT_EQ(mprotect(bytes + page, static_cast<size_t>(page), PROT_NONE), 0);
  EXPECT_FALSE(IsBadReadPtr(bytes, static_cast<UINT_PTR>(page)));
  EXPECT_TRUE(IsBadReadPtr(bytes + page - 1, 2));
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
  EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
  // A module read in place, its .res (one empty entry) ending where the readable
  // page ends: its own bytes are readable, one byte more is not.
  HeadlessDevice device;
  const unsigned char emptyRes[32] = {0, 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF};
  char *res = bytes + page - sizeof emptyRes;
  std::memcpy(res, emptyRes, sizeof emptyRes);
  std::string error;
  ASSERT_NE(platform::LoadModuleInPlace(std::as_bytes(std::span<const char>(res, sizeof emptyRes)),
                                        &error),
            nullptr)
      << error;
  EXPECT_FALSE(IsBadReadPtr(res, sizeof emptyRes));
  EXPECT_TRUE(IsBadReadPtr(res + 1, sizeof emptyRes));
  munmap(area, static_cast<size_t>(page) * 2);
}

} // namespace
