// The device's C runtime rand and srand: the game's random numbers, in state of the
// device's own that no system library of this machine can move.
//
// The game deals from `srand(seconds)`, so a clock deals the same cards every time.
// The C library's rand keeps one sequence for the whole process, which system
// libraries draw from too (the sound server's client does, the first time it runs),
// and that would change the cards. The build links the game's calls to the wrappers
// below (the linker's --wrap), leaving every other library's rand the C library's.
// The sequence is the desktop C library's, so a seed deals the cards it always has.
#include <array>
#include <cstdint>

#include "device/device.h"

namespace platform {
namespace {

// The additive feedback generator r[i] = r[i-3] + r[i-31], seeded by a
// Lehmer sequence, its first 310 outputs dropped; each result is r[i] >> 1.
class FeedbackGenerator {
public:
  explicit FeedbackGenerator(unsigned seed) { Seed(seed); }

  void Seed(unsigned seed) {
    std::int32_t word = seed == 0 ? 1 : static_cast<std::int32_t>(seed);
    state_[0] = static_cast<std::uint32_t>(word);
    for (std::size_t i = 1; i < kLags; ++i) {
      // 16807 * word mod (2^31 - 1), without overflow (Schrage's method).
      const std::int32_t hi = word / 127773;
      const std::int32_t lo = word % 127773;
      word = 16807 * lo - 2836 * hi;
      if (word < 0) {
        word += 2147483647;
      }
      state_[i] = static_cast<std::uint32_t>(word);
    }
    front_ = kSeparation;
    back_ = 0;
    for (int i = 0; i < 310; ++i) {
      Next();
    }
  }

  int Next() {
    state_[front_] += state_[back_];
    const auto result = static_cast<int>(state_[front_] >> 1);
    front_ = (front_ + 1) % kLags;
    back_ = (back_ + 1) % kLags;
    return result;
  }

private:
  static constexpr std::size_t kLags = 31;
  static constexpr std::size_t kSeparation = 3;
  std::array<std::uint32_t, kLags> state_{};
  std::size_t front_ = 0;
  std::size_t back_ = 0;
};

// A program that never seeds draws as if seeded with 1, as in a fresh process.
FeedbackGenerator &Generator() {
  static FeedbackGenerator generator(1);
  return generator;
}

const bool registered = [] {
  RegisterResetHook([] { Generator().Seed(1); });
  return true;
}();

} // namespace
} // namespace platform

// The names the linker gives the game's rand and srand (see the top of the file).
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
void __wrap_srand(unsigned seed) { platform::Generator().Seed(seed); }
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
int __wrap_rand() { return platform::Generator().Next(); }
} // extern "C"
