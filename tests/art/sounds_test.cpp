// The five WAVE resources read back through the layer: complete RIFF files of the
// listed format and length, silent at both ends without clicks.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "sound/wave.h"
#include "support.h"

namespace {

using Sounds = art_test::GameModuleTest;

TEST_F(Sounds, EachIsEightBitMonoPcmOfItsRateAndLengthSilentAtBothEnds) {
  const struct {
    const char16_t *name;
    DWORD rate;
    std::size_t samples;
  } cases[] = {{u"PONG", 16000, 430},
               {u"FLIP", 11025, 814},
               {u"COIN", 11025, 9166},
               {u"CHACHING", 11025, 11126},
               {u"LOSE", 11025, 4346}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    // The layer's own WAVE reader, what PlaySoundW plays.
    const auto bytes = art_test::ResourceBytes(module, c.name, u"WAVE");
    platform::sound::WaveSound w;
    std::string error;
    ASSERT_TRUE(platform::sound::ParseWave(bytes, &w, &error)) << error;
    EXPECT_EQ(art_test::Read<DWORD>(bytes, 4) + 8, bytes.size())
        << "the RIFF size covers the whole file";
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bitsPerSample, 8);
    EXPECT_EQ(w.rate, c.rate);
    ASSERT_EQ(w.Frames(), c.samples);
    const auto level = [&](std::size_t i) {
      return std::abs(std::to_integer<int>(w.samples[i]) - 128);
    };
    EXPECT_EQ(level(0), 0);
    EXPECT_EQ(level(c.samples - 1), 0);
    for (std::size_t i = 0; i < 4; ++i) { // only creeping away from silence
      EXPECT_LE(level(i), 6) << "sample " << i;
      EXPECT_LE(level(c.samples - 1 - i), 6) << "sample -" << i + 1;
    }
    int peak = 0;
    for (std::size_t i = 0; i < c.samples; ++i) {
      peak = std::max(peak, level(i));
    }
    EXPECT_GE(peak, 90) << "loud enough";
    EXPECT_LE(peak, 120) << "clear of clipping";
  }
}

} // namespace
