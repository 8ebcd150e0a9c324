// The WAVE parser: the images it accepts and every malformation it refuses.
#include <gtest/gtest.h>

#include <tuple>
#include "sound/wave.h"
#include "wave_builder.h"

namespace {

using platform::sound::ParseWave;
using platform::sound::WaveSound;
using namespace soundtest;

TEST(WaveParser, AcceptsPcmOfEveryAllowedShape) {
  struct Case {
    const char *what;
    std::vector<std::byte> image;
    int channels;
    int bits;
    std::uint32_t rate;
    std::size_t frames;
  };
  const auto samples = Samples(40);
  const std::vector<std::byte> odd = Samples(7);
  const Case cases[] = {
      {"8-bit mono", Wave({FmtChunk({}), DataChunk(samples)}), 1, 8, 11025, 40},
      {"16-bit stereo", Wave({FmtChunk({1, 2, 44100, 16}), DataChunk(samples)}), 2, 16, 44100, 10},
      {"a longer fmt chunk", Wave({FmtChunk({}, 2), DataChunk(samples)}), 1, 8, 11025, 40},
      {"other chunks around",
       Wave({Chunk{"LIST", odd}, FmtChunk({}), Chunk{"fact", Samples(4)}, DataChunk(samples),
             Chunk{"cue ", Samples(3)}}),
       1, 8, 11025, 40},
      {"odd data without its last pad", Wave({FmtChunk({}), Chunk{"data", odd, false}}), 1, 8,
       11025, 7},
      {"no samples", Wave({FmtChunk({}), DataChunk({})}), 1, 8, 11025, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WaveSound sound;
    std::string error;
    ASSERT_TRUE(ParseWave(c.image, &sound, &error)) << error;
    EXPECT_EQ(std::tuple(sound.channels, sound.bitsPerSample, sound.rate, sound.Frames()),
              std::tuple(c.channels, c.bits, c.rate, c.frames));
  }
  // Bytes after the RIFF image (a resource padded to a boundary) are not sound.
  auto padded = Wave({FmtChunk({}), DataChunk(samples)});
  padded.resize(padded.size() + 3);
  WaveSound sound;
  ASSERT_TRUE(ParseWave(padded, &sound, nullptr));
  EXPECT_EQ(std::vector<std::byte>(sound.samples.begin(), sound.samples.end()), samples);
}

TEST(WaveParser, RefusesEveryMalformation) {
  struct Case {
    const char *what;
    std::vector<std::byte> image;
    const char *why; // words of the one-line reason
  };
  const auto s = Samples(40);
  auto truncated = Wave({FmtChunk({}), DataChunk(s)});
  truncated.resize(truncated.size() - 1);
  const Case cases[] = {
      {"empty", {}, "shorter than a RIFF header"},
      {"not RIFF", Wave({FmtChunk({}), DataChunk(s)}, 0, "AVI "), "not a RIFF WAVE"},
      {"RIFF size too large", Wave({FmtChunk({}), DataChunk(s)}, 1), "RIFF size"},
      {"truncated image", truncated, "RIFF size"},
      {"chunk longer than the image", Wave({FmtChunk({}), DataChunk(s)}, -2), "longer than"},
      {"cut chunk header", Wave({FmtChunk({}), Chunk{"ab", {}}}), "cut short"},
      {"not PCM", Wave({FmtChunk({3, 1, 11025, 8}), DataChunk(s)}), "not PCM"},
      {"three channels", Wave({FmtChunk({1, 3, 11025, 8}), DataChunk(s)}), "channels"},
      {"24 bits", Wave({FmtChunk({1, 1, 11025, 24}), DataChunk(s)}), "bits"},
      {"rate too high", Wave({FmtChunk({1, 1, 400000, 8}), DataChunk(s)}), "rate"},
      {"bad block alignment", Wave({FmtChunk({1, 2, 11025, 16, 0, 1}), DataChunk(s)}),
       "alignment does not match"},
      {"bad byte rate", Wave({FmtChunk({1, 1, 11025, 8, 1}), DataChunk(s)}), "byte rate"},
      {"short fmt", Wave({Chunk{"fmt ", Samples(14)}, DataChunk(s)}), "shorter than 16"},
      {"data first", Wave({DataChunk(s), FmtChunk({})}), "before the fmt"},
      {"no data", Wave({FmtChunk({})}), "no data chunk"},
      {"no fmt", Wave({Chunk{"LIST", s}}), "no fmt chunk"},
      {"partial frame", Wave({FmtChunk({1, 2, 11025, 16}), DataChunk(Samples(6))}),
       "inside a frame"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WaveSound sound;
    std::string error;
    EXPECT_FALSE(ParseWave(c.image, &sound, &error));
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
}

} // namespace
