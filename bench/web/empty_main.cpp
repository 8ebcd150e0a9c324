// The page's program with nothing in its main but a blank frame: the floor against
// which the game's time from navigation to its first frame is measured.
#include "blank_frame.h"

int main() {
  ShowBlankFrame();
  return 0;
}
