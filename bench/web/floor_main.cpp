// The game's own page program, whole, that shows a blank frame before anything
// else: the floor of its start. Between the empty page and this one lies what the
// program costs to load (its download, compiling and instantiating, its script);
// between this one and the game's page lies the game's start (pictures, fonts,
// the money, the first paint). The page's entry point is compiled in as PageMain.
#include <emscripten.h>

#include <cstdint>
#include <vector>

int PageMain(int argc, char **argv);

namespace {

EM_JS(void, bj_show_blank, (const std::uint32_t *rgba, int width, int height), {
  Module.bjShowFrame(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});

} // namespace

int main(int argc, char **argv) {
  {
    std::vector<std::uint32_t> blank(240 * 320, 0xFF000000U);
    bj_show_blank(blank.data(), 240, 320);
  }
  return PageMain(argc, argv);
}
