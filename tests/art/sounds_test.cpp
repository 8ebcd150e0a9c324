// The five WAVE resources read back through the layer: complete RIFF files of the
// listed format and length, silent at both ends, each with the character of its cue.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/testing.h"
#include "resource_bytes.h"
#include "sound/wave.h"

namespace {

using art_test::Reader;

struct Wave {
  platform::sound::WaveSound sound;
  std::vector<int> samples; // centred on 0
};

// Parses with the layer's own WAVE reader (what PlaySoundW plays), and checks that
// the RIFF chunk spans exactly the resource, with nothing cut off or trailing.
Wave ParseGameWave(std::span<const std::byte> bytes) {
  Wave w;
  std::string error;
  EXPECT_TRUE(platform::sound::ParseWave(bytes, &w.sound, &error)) << error;
  Reader r(bytes);
  r.Dword();
  EXPECT_EQ(r.Dword() + 8, bytes.size()) << "the RIFF size covers the whole file";
  for (const std::byte b : w.sound.samples) {
    w.samples.push_back(std::to_integer<int>(b) - 128);
  }
  return w;
}

// Average frequency of the zero crossings in [from, to), in hertz.
double CrossingFrequency(const Wave &w, std::size_t from, std::size_t to) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    crossings += (w.samples[i - 1] < 0) != (w.samples[i] < 0) ? 1 : 0;
  }
  return crossings / 2.0 * w.sound.rate / static_cast<double>(to - from);
}

double Energy(const Wave &w, std::size_t from, std::size_t to) {
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) {
    sum += static_cast<double>(w.samples[i] * w.samples[i]);
  }
  return sum / static_cast<double>(to - from);
}

// Attacks: 5 ms windows whose energy jumps to three times that of the window before.
int Attacks(const Wave &w) {
  const std::size_t window = w.sound.rate / 200;
  int attacks = 0;
  double previous = 0.5;
  for (std::size_t at = 0; at + window <= w.samples.size(); at += window) {
    const double e = Energy(w, at, at + window);
    attacks += e > 3.0 * previous && e > 100.0 ? 1 : 0;
    previous = std::max(e, 0.5);
  }
  return attacks;
}

struct Expected {
  const char16_t *name;
  DWORD rate;
  std::size_t samples;
};

constexpr Expected kSounds[] = {{u"PONG", 16000, 430},
                                {u"FLIP", 11025, 814},
                                {u"COIN", 11025, 9166},
                                {u"CHACHING", 11025, 11126},
                                {u"LOSE", 11025, 4346}};

class Sounds : public art_test::GameModuleTest {
protected:
  Wave Load(const char16_t *name) {
    return ParseGameWave(art_test::ResourceBytes(module, name, u"WAVE"));
  }
};

TEST_F(Sounds, EachIsEightBitMonoPcmOfItsRateAndLength) {
  for (const Expected &e : kSounds) {
    SCOPED_TRACE(std::string(e.name, e.name + std::char_traits<char16_t>::length(e.name)));
    const Wave w = Load(e.name);
    EXPECT_EQ(w.sound.channels, 1);
    EXPECT_EQ(w.sound.bitsPerSample, 8);
    EXPECT_EQ(w.sound.rate, e.rate);
    EXPECT_EQ(w.sound.Frames(), e.samples);
  }
}

TEST_F(Sounds, StartAndEndInSilenceWithoutClicksAndAreLoudBetween) {
  for (const Expected &e : kSounds) {
    SCOPED_TRACE(std::string(e.name, e.name + std::char_traits<char16_t>::length(e.name)));
    const Wave w = Load(e.name);
    ASSERT_GT(w.samples.size(), 32U);
    EXPECT_EQ(w.samples.front(), 0);
    EXPECT_EQ(w.samples.back(), 0);
    // The first and last few samples only creep away from silence.
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_LE(std::abs(w.samples[i]), 6) << "sample " << i;
      EXPECT_LE(std::abs(w.samples[w.samples.size() - 1 - i]), 6) << "sample -" << i + 1;
    }
    int peak = 0;
    for (const int s : w.samples) {
      peak = std::max(peak, std::abs(s));
    }
    EXPECT_GE(peak, 90) << "loud enough";
    EXPECT_LE(peak, 120) << "clear of clipping";
  }
}

TEST_F(Sounds, EachHasTheCharacterOfItsCue) {
  {
    SCOPED_TRACE("pong: one short low tone");
    const Wave w = Load(u"PONG");
    const double f = CrossingFrequency(w, 0, w.samples.size() / 2);
    EXPECT_GT(f, 250.0);
    EXPECT_LT(f, 700.0);
    EXPECT_EQ(Attacks(w), 1);
  }
  {
    SCOPED_TRACE("flip: a bright noisy flick, soon over");
    const Wave w = Load(u"FLIP");
    EXPECT_GT(CrossingFrequency(w, 0, w.samples.size() / 3), 1200.0);
    EXPECT_LT(Energy(w, w.samples.size() * 3 / 4, w.samples.size()),
              0.1 * Energy(w, 0, w.samples.size() / 4));
  }
  {
    SCOPED_TRACE("coin: a chip settling in several clinks");
    const Wave w = Load(u"COIN");
    EXPECT_GE(Attacks(w), 4);
    EXPECT_GT(CrossingFrequency(w, 0, w.sound.rate / 20), 1200.0);
  }
  {
    SCOPED_TRACE("chaching: a bell that is still ringing in the second half");
    const Wave w = Load(u"CHACHING");
    const std::size_t half = w.samples.size() / 2;
    EXPECT_GT(Energy(w, half, half + w.sound.rate / 10), 20.0);
    const double f = CrossingFrequency(w, half, half + w.sound.rate / 10);
    EXPECT_GT(f, 1200.0);
    EXPECT_LT(f, 2200.0);
  }
  {
    SCOPED_TRACE("lose: a tone that falls");
    const Wave w = Load(u"LOSE");
    const std::size_t third = w.samples.size() / 3;
    const double early = CrossingFrequency(w, 0, third);
    const double late = CrossingFrequency(w, 2 * third, w.samples.size());
    EXPECT_GT(early, 1.3 * late);
    EXPECT_GT(late, 100.0);
  }
}

} // namespace
