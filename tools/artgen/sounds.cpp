// Synthesis of the five cues: a refusal blip, a card flick, a chip clink, a cash-register
// win and a falling loss tone. Everything is computed from fixed seeds, so the bytes are
// the same on every run.
#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>

namespace artgen {
namespace {

constexpr double kTau = 2.0 * std::numbers::pi;

// A small fixed-seed noise source.
class Noise {
public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

private:
  std::uint32_t state_;
};

// A two-pole band-pass filter (constant peak gain), for coloured noise.
class BandPass {
public:
  BandPass(double centre, double q, double rate) {
    const double w = kTau * centre / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    b0_ = alpha / a0;
    b2_ = -alpha / a0;
    a1_ = -2.0 * std::cos(w) / a0;
    a2_ = (1.0 - alpha) / a0;
  }
  double Run(double x) {
    const double y = b0_ * x + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

private:
  double b0_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Exponential decay starting at time start (seconds), zero before it, with a short
// linear attack so the onset does not click.
double Strike(double t, double start, double attack, double decay) {
  if (t < start) {
    return 0.0;
  }
  const double dt = t - start;
  const double rise = std::min(1.0, dt / attack);
  return rise * std::exp(-dt / decay);
}

using Voice = std::function<std::vector<double>(int rate, int samples)>;

std::vector<double> Pong(int rate, int samples) {
  // A short hollow "bup": a low tone with its octave, falling a little in pitch.
  std::vector<double> out(static_cast<std::size_t>(samples));
  double phase = 0;
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double f = 440.0 - 1800.0 * t;
    phase += kTau * f / rate;
    const double env = Strike(t, 0.0, 0.002, 0.016);
    out[static_cast<std::size_t>(i)] =
        env * (0.75 * std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.1 * std::sin(3.0 * phase));
  }
  return out;
}

std::vector<double> Flip(int rate, int samples) {
  // The card leaving the shoe (a bright flick) and landing (a softer, lower tick).
  std::vector<double> out(static_cast<std::size_t>(samples));
  Noise noise(0xF11F0001U);
  BandPass bright(3000.0, 1.1, rate);
  BandPass low(1300.0, 1.4, rate);
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double n = noise.Next();
    const double flick = bright.Run(n) * Strike(t, 0.0, 0.0015, 0.011);
    const double land = low.Run(n) * Strike(t, 0.034, 0.001, 0.008);
    out[static_cast<std::size_t>(i)] = 2.6 * flick + 2.2 * land;
  }
  return out;
}

// One clay chip hitting others: a click of noise and a few short inharmonic partials.
double ChipHit(double t, double start, double loudness, Noise &noise, BandPass &click) {
  if (t < start) {
    click.Run(0.0);
    return 0.0;
  }
  const double dt = t - start;
  constexpr double kPartials[][3] = {
      {2210.0, 0.55, 0.030}, {3390.0, 0.35, 0.022}, {4630.0, 0.22, 0.016}, {1480.0, 0.25, 0.040}};
  double ring = 0;
  for (const auto &p : kPartials) {
    ring += p[1] * std::sin(kTau * p[0] * dt) * Strike(t, start, 0.0008, p[2]);
  }
  const double knock = click.Run(noise.Next()) * Strike(t, start, 0.0005, 0.004);
  return loudness * (ring + 1.8 * knock);
}

std::vector<double> Coin(int rate, int samples) {
  // The chip lands on the stack and settles, each bounce quicker and softer.
  std::vector<double> out(static_cast<std::size_t>(samples));
  constexpr double kBounces[][2] = {{0.000, 1.00}, {0.115, 0.70}, {0.205, 0.50},
                                    {0.270, 0.34}, {0.318, 0.22}, {0.352, 0.13}};
  std::vector<Noise> noises;
  std::vector<BandPass> clicks;
  for (std::size_t k = 0; k < std::size(kBounces); ++k) {
    noises.emplace_back(0xC01D0001U + static_cast<std::uint32_t>(k));
    clicks.emplace_back(3800.0, 0.9, rate);
  }
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    double v = 0;
    for (std::size_t k = 0; k < std::size(kBounces); ++k) {
      v += ChipHit(t, kBounces[k][0], kBounces[k][1], noises[k], clicks[k]);
    }
    out[static_cast<std::size_t>(i)] = 0.75 * v;
  }
  return out;
}

std::vector<double> Chaching(int rate, int samples) {
  // "Cha": the drawer's mechanism, twice; "ching": the bell, ringing out.
  std::vector<double> out(static_cast<std::size_t>(samples));
  Noise noise(0xCA5E0001U);
  BandPass rasp(2600.0, 0.8, rate);
  constexpr double kBell = 0.215;
  constexpr double kPartials[][3] = {{1568.0, 0.50, 0.42},
                                     {1571.0, 0.25, 0.42},
                                     {3136.0, 0.22, 0.26},
                                     {4330.0, 0.14, 0.16},
                                     {5020.0, 0.08, 0.10}};
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double cha = rasp.Run(noise.Next()) *
                       (Strike(t, 0.0, 0.003, 0.030) + 0.8 * Strike(t, 0.085, 0.003, 0.035));
    const double thunk = std::sin(kTau * 150.0 * t) * 0.5 *
                         (Strike(t, 0.0, 0.002, 0.025) + Strike(t, 0.085, 0.002, 0.025));
    double bell = 0;
    if (t >= kBell) {
      for (const auto &p : kPartials) {
        bell += p[1] * std::sin(kTau * p[0] * (t - kBell)) * Strike(t, kBell, 0.002, p[2]);
      }
    }
    out[static_cast<std::size_t>(i)] = 1.6 * cha + thunk + 1.3 * bell;
  }
  return out;
}

std::vector<double> Lose(int rate, int samples) {
  // A tone that slides down an octave with a slow wobble, like a sad horn.
  std::vector<double> out(static_cast<std::size_t>(samples));
  const double length = static_cast<double>(samples) / rate;
  double phase = 0;
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double f = 392.0 * std::pow(0.5, t / length) * (1.0 + 0.02 * std::sin(kTau * 9.0 * t));
    phase += kTau * f / rate;
    double tone = 0;
    for (int h = 1; h <= 7; h += 2) {
      tone += std::sin(h * phase) / (h * h);
    }
    tone += 0.3 * std::sin(2.0 * phase);
    const double env = std::min(1.0, t / 0.008) * (1.0 - 0.35 * t / length);
    out[static_cast<std::size_t>(i)] = 0.7 * env * tone;
  }
  return out;
}

Voice VoiceOf(const std::string &name) {
  if (name == "PONG") {
    return Pong;
  }
  if (name == "FLIP") {
    return Flip;
  }
  if (name == "COIN") {
    return Coin;
  }
  if (name == "CHACHING") {
    return Chaching;
  }
  if (name == "LOSE") {
    return Lose;
  }
  throw std::invalid_argument("no voice for sound " + name);
}

// Raised-cosine fades at both ends, long enough that the first and the last samples
// are silence and the wave leaves and reaches it smoothly.
void FadeEnds(std::vector<double> &wave, int fadeIn, int fadeOut) {
  const int n = static_cast<int>(wave.size());
  for (int i = 0; i < n; ++i) {
    double g = 1.0;
    if (i < fadeIn) {
      g *= 0.5 - 0.5 * std::cos(std::numbers::pi * i / fadeIn);
    }
    const int fromEnd = n - 1 - i;
    if (fromEnd < fadeOut) {
      g *= 0.5 - 0.5 * std::cos(std::numbers::pi * fromEnd / fadeOut);
    }
    wave[static_cast<std::size_t>(i)] *= g;
  }
}

void PutLe(std::vector<std::uint8_t> &out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}

void PutTag(std::vector<std::uint8_t> &out, const char (&tag)[5]) {
  out.insert(out.end(), tag, tag + 4);
}

} // namespace

const std::vector<Sound> &Sounds() {
  static const std::vector<Sound> sounds = {{"PONG", 16000, 430},
                                            {"FLIP", 11025, 814},
                                            {"COIN", 11025, 9166},
                                            {"CHACHING", 11025, 11126},
                                            {"LOSE", 11025, 4346}};
  return sounds;
}

std::vector<std::uint8_t> SynthesiseWave(const Sound &sound) {
  std::vector<double> wave = VoiceOf(sound.name)(sound.rate, sound.samples);
  // 1 ms in, and out over 4 ms or a tenth of the sound, whichever is longer.
  FadeEnds(wave, sound.rate / 1000, std::max(sound.rate / 250, sound.samples / 10));
  // Every cue peaks at the same level, loud but clear of the 8-bit limits.
  double peak = 0;
  for (const double v : wave) {
    peak = std::max(peak, std::abs(v));
  }
  for (double &v : wave) {
    v *= 0.85 / peak;
  }
  const auto dataSize = static_cast<std::uint32_t>(sound.samples);
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  PutLe(out, 4 + 8 + 16 + 8 + dataSize + (dataSize & 1U), 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLe(out, 16, 4);
  PutLe(out, 1, 2); // PCM
  PutLe(out, 1, 2); // mono
  PutLe(out, static_cast<std::uint32_t>(sound.rate), 4);
  PutLe(out, static_cast<std::uint32_t>(sound.rate), 4); // bytes per second
  PutLe(out, 1, 2);                                      // bytes per sample frame
  PutLe(out, 8, 2);                                      // bits per sample
  PutTag(out, "data");
  PutLe(out, dataSize, 4);
  for (const double v : wave) {
    // 8-bit PCM is unsigned with silence at 128.
    const long level = std::lround(128.0 + 127.0 * std::clamp(v, -1.0, 1.0));
    out.push_back(static_cast<std::uint8_t>(level));
  }
  if ((dataSize & 1U) != 0) {
    out.push_back(0); // chunks are padded to an even length
  }
  return out;
}

} // namespace artgen
