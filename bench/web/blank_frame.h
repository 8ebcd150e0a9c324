// A blank frame shown on the page at once, the first thing the benchmark's
// stand-ins for the game's program do (empty_main.cpp, floor_main.cpp).
#pragma once

#include <emscripten.h>

#include <cstdint>
#include <vector>

EM_JS(void, bj_show_blank_frame, (const std::uint32_t *rgba, int width, int height), {
  Module.bjShowFrame(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});

inline void ShowBlankFrame() {
  std::vector<std::uint32_t> blank(240 * 320, 0xFF000000U);
  bj_show_blank_frame(blank.data(), 240, 320);
}
