// The page's program with nothing in its main but a blank frame: the floor against
// which the game's time from navigation to its first frame is measured.
#include <emscripten.h>

#include <cstdint>
#include <vector>

EM_JS(void, bj_show_frame, (const std::uint32_t *rgba, int width, int height), {
  Module.bjShowFrame(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});

int main() {
  std::vector<std::uint32_t> blank(240 * 320, 0xFF000000U);
  bj_show_frame(blank.data(), 240, 320);
  return 0;
}
