// The game's own page program, whole, that shows a blank frame before anything
// else: the floor of its start. Between the empty page and this one lies what the
// program costs to load (its download, compiling and instantiating, its script);
// between this one and the game's page lies the game's start (pictures, fonts,
// the money, the first paint). The page's entry point is compiled in as PageMain.
#include "blank_frame.h"

int PageMain(int argc, char **argv);

int main(int argc, char **argv) {
  ShowBlankFrame();
  return PageMain(argc, argv);
}
