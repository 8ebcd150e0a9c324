// rand and srand as the desktop's C library computes them, for the browser build:
// the game deals from a seed, and the same seed must deal the same cards in a
// page as on the desktop (the replays, screenshots and tests depend on it).
// Linked in place of the WebAssembly C library's own, which is another generator.
#include <array>
#include <cstdint>
#include <cstdlib>

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

FeedbackGenerator &Generator() {
  static FeedbackGenerator generator(1);
  return generator;
}

} // namespace

extern "C" {

void srand(unsigned seed) { Generator().Seed(seed); }

int rand() { return Generator().Next(); }

} // extern "C"
