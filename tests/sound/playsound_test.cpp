// PlaySoundW as the game calls it: finding the sound, refusing bad ones, one
// sound at a time, and a device that is muted, absent or real (SDL's disk driver
// writes what would have been heard to a file).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "testing/testing.h"
#include "kernel/module.h"
#include "wave_builder.h"

namespace {

using platform::test::HeadlessDevice;
using platform::test::ScopedEnv;
using namespace soundtest;

LPCWSTR AsSound(const std::vector<std::byte> &image) {
  return reinterpret_cast<LPCWSTR>(image.data());
}

HINSTANCE GameModule() {
  std::string error;
  HINSTANCE module = platform::LoadModuleFromRes(platform::EmbeddedResources(), &error);
  EXPECT_NE(module, nullptr) << error;
  return module;
}

// 16-bit stereo at 44100 Hz: the output's own format, so what reaches the device
// is these bytes exactly.
std::vector<std::byte> DeviceFormatSamples(std::size_t frames, unsigned seed) {
  std::vector<std::byte> s;
  for (std::size_t i = 0; i < frames; ++i) {
    for (unsigned ch = 0; ch < 2; ++ch) {
      const auto v = static_cast<std::uint16_t>(
          1000 + (i * 7 + std::size_t{ch} * 3 + std::size_t{seed} * 101) % 20000);
      Put(s, v);
    }
  }
  return s;
}

std::vector<std::byte> DeviceFormatWave(const std::vector<std::byte> &samples) {
  return Wave({FmtChunk({1, 2, 44100, 16}), DataChunk(samples)});
}

TEST(SoundCalls, MutedDeviceChecksTheSoundAndOpensNoAudio) {
  HeadlessDevice device; // muted, as every test device is by default
  HINSTANCE module = GameModule();
  const auto good = Wave({FmtChunk({}), DataChunk(Samples(100))});
  auto bad = good;
  bad[20] = std::byte{3}; // not PCM
  struct Case {
    const char *what;
    LPCWSTR sound;
    HMODULE module;
    DWORD flags;
    BOOL result;
  };
  const Case cases[] = {
      {"a game cue", u"pong", module, SND_RESOURCE | SND_ASYNC | SND_NOWAIT, TRUE},
      {"a cue in another case", u"ChaChing", module, SND_RESOURCE | SND_ASYNC, TRUE},
      {"synchronous", u"lose", module, SND_RESOURCE, TRUE},
      {"a missing resource", u"nothing", module, SND_RESOURCE | SND_ASYNC | SND_NOWAIT, FALSE},
      {"a resource of another type", MAKEINTRESOURCEW(1), module, SND_RESOURCE | SND_ASYNC, FALSE},
      {"a sound in memory", AsSound(good), nullptr, SND_MEMORY | SND_ASYNC, TRUE},
      {"a malformed sound in memory", AsSound(bad), nullptr, SND_MEMORY | SND_ASYNC, FALSE},
      {"an alias", u"SystemAsterisk", nullptr, SND_ALIAS | SND_ASYNC, FALSE},
      {"a loop", AsSound(good), nullptr, SND_MEMORY | SND_ASYNC | SND_LOOP, FALSE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlaySoundW(c.sound, c.module, c.flags), c.result);
  }
  EXPECT_EQ(platform::test::AudioDriverInUse(), "");
  const auto cues = platform::test::PlayedCues();
  ASSERT_EQ(cues.size(), std::size(cases)) << "every call is recorded";
  EXPECT_EQ(cues[0].name, u"pong");
  EXPECT_EQ(cues[0].module, module);
  EXPECT_EQ(cues[0].flags, static_cast<DWORD>(SND_RESOURCE | SND_ASYNC | SND_NOWAIT));
  EXPECT_EQ(cues[4].name, u"#1") << "a numbered resource";
  EXPECT_EQ(cues[5].name, u"") << "memory has no name";
}

const platform::DeviceConfig Audible{.mute = false};

TEST(SoundCalls, AnAbsentDeviceFailsAndNothingBreaks) {
  ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
  HeadlessDevice device(Audible);
  HINSTANCE module = GameModule();
  const DWORD tries[] = {SND_RESOURCE | SND_ASYNC | SND_NOWAIT, SND_RESOURCE | SND_ASYNC,
                         SND_RESOURCE | SND_ASYNC | SND_NOWAIT};
  for (DWORD flags : tries) {
    SCOPED_TRACE(flags);
    EXPECT_FALSE(PlaySoundW(u"flip", module, flags));
  }
  EXPECT_FALSE(platform::test::SoundPlaying());
  EXPECT_EQ(platform::test::AudioDriverInUse(), "");
}

// SDL's disk driver writes what would have been heard to a file.
class DiskOutput : public ::testing::Test {
protected:
  // What the device was given, once it is closed.
  std::vector<std::byte> Written() const {
    std::ifstream in(file_, std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto *bytes = reinterpret_cast<const std::byte *>(raw.data());
    return {bytes, bytes + raw.size()};
  }
  static bool Contains(const std::vector<std::byte> &all, const std::vector<std::byte> &part) {
    return std::search(all.begin(), all.end(), part.begin(), part.end()) != all.end();
  }

  platform::test::TempProfile profile_;
  std::string file_ = profile_.Dir() + "/out.raw";
  ScopedEnv driver_{"SDL_AUDIODRIVER", "disk"};
  ScopedEnv fileEnv_{"SDL_DISKAUDIOFILE", file_.c_str()};
};

// The device opens at the first sound and plays it whole; a new sound cuts the old one off and
// is followed by silence, not by the rest of the old one.
TEST_F(DiskOutput, SoundsPlayWholeUntilANewOneCutsThemOff) {
  const auto first = DeviceFormatSamples(4410, 1);                         // 0.1 s
  const auto longSamples = DeviceFormatSamples(std::size_t{44100} * 5, 2); // 5 s
  const auto last = DeviceFormatSamples(2205, 3);                          // 0.05 s
  const auto longWave = DeviceFormatWave(longSamples);
  const auto lastWave = DeviceFormatWave(last);
  {
    HeadlessDevice device(Audible);
    EXPECT_EQ(platform::test::AudioDriverInUse(), "") << "no audio at start-up";
    ASSERT_TRUE(PlaySoundW(AsSound(DeviceFormatWave(first)), nullptr, SND_MEMORY)); // synchronous
    EXPECT_EQ(platform::test::AudioDriverInUse(), "disk");
    EXPECT_FALSE(platform::test::SoundPlaying());
    ASSERT_TRUE(PlaySoundW(AsSound(longWave), nullptr, SND_MEMORY | SND_ASYNC | SND_NOWAIT));
    EXPECT_TRUE(platform::test::SoundPlaying());
    ASSERT_TRUE(PlaySoundW(AsSound(lastWave), nullptr, SND_MEMORY));
  }
  const auto written = Written();
  EXPECT_TRUE(Contains(written, first));
  EXPECT_FALSE(Contains(written, longSamples)) << "the long sound played on";
  const auto at = std::search(written.begin(), written.end(), last.begin(), last.end());
  ASSERT_NE(at, written.end());
  const auto after = at + static_cast<std::ptrdiff_t>(last.size());
  EXPECT_TRUE(std::all_of(after, written.end(), [](std::byte b) { return b == std::byte{0}; }));
}

} // namespace
