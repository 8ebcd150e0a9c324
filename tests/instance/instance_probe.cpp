// instance_probe PROFILE: starts the single-instance service on PROFILE and
// prints "starting", "waiting" when it finds the profile held by a process that
// takes no hand-over, then its role ("first", "second" or "alone: why"). A first one serves until
// killed: it has one window, class BLACKJACK and title BlackJack, handle 0x1230, and prints "front
// 0x..." each time another process brings a window to the front.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "instance/instance.h"

namespace {

const HWND TheWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1230));

void Say(const std::string &line) {
  const std::string text = line + "\n";
  if (write(STDOUT_FILENO, text.data(), text.size()) < 0) {
    _exit(3);
  }
}

HWND Find(LPCWSTR className, LPCWSTR title) {
  const bool match =
      std::u16string(className) == u"BLACKJACK" && std::u16string(title) == u"BlackJack";
  return match ? TheWindow : nullptr;
}

bool Front(HWND hwnd) {
  const auto value = reinterpret_cast<ULONG_PTR>(hwnd);
  if ((value & ~ULONG_PTR{1}) != reinterpret_cast<ULONG_PTR>(TheWindow)) {
    return false;
  }
  char text[32];
  std::snprintf(text, sizeof text, "front 0x%lx", static_cast<unsigned long>(value));
  Say(text);
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: instance_probe PROFILE\n");
    return 2;
  }
  platform::instance::SetLocalWindowCalls({Find, Front});
  platform::instance::SetWaitNotice([] { Say("waiting"); });
  Say("starting");
  std::string why;
  switch (platform::instance::StartService(argv[1], &why)) {
  case platform::instance::Role::Alone:
    Say("alone: " + why);
    return 1;
  case platform::instance::Role::Second:
    Say("second");
    return 0;
  case platform::instance::Role::First:
    Say("first");
    break;
  }
  for (;;) {
    pollfd p{platform::instance::ServiceFd(), POLLIN, 0};
    if (poll(&p, 1, -1) > 0) {
      while (platform::instance::ServeOne()) {
      }
    }
  }
}
