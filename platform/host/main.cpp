// The entry point of `blackjack`: hands the arguments to the host program.
#include <string>
#include <vector>

#include "host/run.h"

int main(int argc, char **argv) {
  return platform::HostMain(std::vector<std::string>(argv + 1, argv + argc));
}
