// Platform classification and the flags and names of the sound cues.
#include "game/sound_cues.h"
#include "table_fixture.h"

namespace gametest {
namespace {

TEST(PlatformCode, ClassifiesEverySystem) {
  struct Case {
    DWORD major;
    bool typeFails;
    std::int32_t code;
  };
  // Windows CE versions no host emulates, and a type query failing alone.
  const Case cases[] = {{2, false, 4}, {3, true, -1}, {6, false, -1}};
  for (const Case &c : cases) {
    platform::test::HeadlessDevice device(
        {.os = {.major = c.major, .minor = 0, .platformTypeFails = c.typeFails}});
    EXPECT_EQ(PlatformCode(), c.code) << "CE " << c.major;
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
  platform::test::HeadlessDevice device;
  GameTable table(nullptr, platform::test::CreatePlainWindow());
  table.instance = reinterpret_cast<HINSTANCE>(0x4000);
  for (const std::int32_t code : {2000, 2002, 5, -1}) {
    platform::test::ClearPlayedCues();
    table.platformCode = code;
    PlayCue(table, u"chaching");
    const auto cues = platform::test::PlayedCues();
    ASSERT_EQ(cues.size(), 1u);
    EXPECT_EQ(cues[0].name, u"chaching");
    EXPECT_EQ(cues[0].flags, SND_RESOURCE | SND_ASYNC | (code == 2000 ? 0 : SND_NOWAIT)) << code;
    EXPECT_EQ(cues[0].module, table.instance);
  }
}

} // namespace
} // namespace gametest
