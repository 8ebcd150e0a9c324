// Platform classification and the flags and names of the sound cues.
#include "game/sound_cues.h"
#include "table_fixture.h"

namespace gametest {
namespace {

TEST(PlatformCode, ClassifiesEverySystem) {
  struct Case {
    DWORD platform, major, minor;
    std::u16string type;
    bool versionFails, typeFails;
    std::int32_t code;
  };
  const Case cases[] = {
      {VER_PLATFORM_WIN32s, 3, 10, u"", false, false, 31},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, u"", false, false, 95},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, u"", false, false, 99},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, u"", false, false, 98},
      {VER_PLATFORM_WIN32_NT, 3, 51, u"", false, false, 351},
      {VER_PLATFORM_WIN32_NT, 4, 0, u"", false, false, 4},
      {VER_PLATFORM_WIN32_NT, 5, 1, u"", false, false, 51},
      {VER_PLATFORM_WIN32_NT, 5, 0, u"", false, false, 5},
      {VER_PLATFORM_WIN32_NT, 5, 2, u"", false, false, 5},
      {VER_PLATFORM_WIN32_NT, 6, 0, u"", false, false, -1},
      {VER_PLATFORM_WIN32_CE, 2, 11, u"", false, false, 4},
      {VER_PLATFORM_WIN32_CE, 3, 0, u"pocketpc", false, false, 2000},
      {VER_PLATFORM_WIN32_CE, 3, 0, u"PocketPC", false, true, -1},
      {VER_PLATFORM_WIN32_CE, 6, 0, u"PocketPC", false, false, -1},
      {7, 1, 0, u"", false, false, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.platform << " " << c.major << "." << c.minor);
    platform::test::HeadlessDevice device({.os = {.platformId = c.platform,
                                                  .major = c.major,
                                                  .minor = c.minor,
                                                  .platformType = c.type,
                                                  .versionFails = c.versionFails,
                                                  .platformTypeFails = c.typeFails}});
    EXPECT_EQ(PlatformCode(), c.code);
  }
  // Each system a host can emulate, by its name.
  for (const auto &[name, code] : {std::pair{"ce5.1", 5},
                                   {"ce5", 5},
                                   {"ce4", -1},
                                   {"ce3-pocketpc", 2002},
                                   {"ce3-other", 2000},
                                   {"fail", -1}}) {
    platform::DeviceConfig config;
    ASSERT_TRUE(platform::OsProfileByName(name, &config.os));
    platform::test::HeadlessDevice device(config);
    EXPECT_EQ(PlatformCode(), code) << name;
  }
}

TEST(PlayCue, WaitsForABusyDeviceOnlyOnTheCode2000System) {
  struct Case {
    std::int32_t code;
    DWORD flags;
  };
  const Case cases[] = {{2000, SND_RESOURCE | SND_ASYNC},
                        {2002, SND_RESOURCE | SND_ASYNC | SND_NOWAIT},
                        {5, SND_RESOURCE | SND_ASYNC | SND_NOWAIT},
                        {-1, SND_RESOURCE | SND_ASYNC | SND_NOWAIT}};
  platform::test::HeadlessDevice device;
  GameTable table(nullptr, platform::test::CreatePlainWindow());
  table.instance = reinterpret_cast<HINSTANCE>(0x4000);
  for (const Case &c : cases) {
    platform::test::ClearPlayedCues();
    table.platformCode = c.code;
    PlayCue(table, u"chaching");
    const auto cues = platform::test::PlayedCues();
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].name, u"chaching");
    EXPECT_EQ(cues[0].flags, c.flags) << c.code;
    EXPECT_EQ(cues[0].module, table.instance);
  }
}

} // namespace
} // namespace gametest
