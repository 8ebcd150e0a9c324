// Turns of the screen on every screen the host offers: after none to three turns, with a
// dialog open during one of them, a tap on each of the ten regions still plays the game.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "aygshell/shell.h"
#include "device/host.h"
#include "kernel/module.h"
#include "resource.h"
#include "shell/shell.h"
#include "testing/testing.h"
#include "user/input.h"
#include "user/window.h"

namespace {

// A host that runs one step each time the game's loop waits, the clock then running on to
// the next timer; a step that returns false runs again at the next wait. After the last
// step it closes the game.
class Steps : public platform::Host {
public:
  void Add(std::function<bool()> step) { steps_.push_back(std::move(step)); }
  void WaitForEvents(std::uint64_t deadlineMs) override {
    if (next_ < steps_.size()) {
      next_ += steps_[next_]() ? 1 : 0;
    } else if (!closeSent_) {
      closeSent_ = true;
      PostMessageW(platform::ForegroundApplicationWindow(), WM_CLOSE, 0, 0);
    }
    platform::Device &device = platform::CurrentDevice();
    if (deadlineMs != platform::kNoDeadline && deadlineMs > device.NowMs()) {
      device.AdvanceMs(deadlineMs - device.NowMs());
    }
  }
  void Present(const platform::Surface &) override {}
  bool AllDone() const { return next_ == steps_.size(); }

private:
  std::vector<std::function<bool()>> steps_;
  std::size_t next_ = 0;
  bool closeSent_ = false;
};

struct Screen {
  const char *name;
  int width, height, dpi;
  std::size_t plays; // of the Hand below: a square screen has the landscape layout, whose
                     // buttons lie beyond its 240 pixels, so only its chips can be tapped
};
constexpr Screen Screens[] = {{"qvga", 240, 320, 96, 13},
                              {"qvga-landscape", 320, 240, 96, 13},
                              {"vga", 480, 640, 192, 13},
                              {"vga-landscape", 640, 480, 192, 13},
                              {"square", 240, 240, 96, 5}};

// The regions at 96 dpi: portrait left, top, right, bottom, then landscape.
struct Region {
  const char *name;
  int portrait[4];
  int landscape[4];
};
constexpr Region Chip5{"5 chip", {5, 235, 40, 265}, {217, 22, 248, 53}};
constexpr Region Chip10{"10 chip", {40, 235, 75, 265}, {217, 55, 248, 86}};
constexpr Region Chip25{"25 chip", {75, 235, 110, 265}, {217, 87, 248, 118}};
constexpr Region Chip100{"100 chip", {110, 235, 145, 265}, {217, 120, 248, 151}};
constexpr Region Chip500{"500 chip", {145, 235, 180, 265}, {217, 152, 248, 183}};
constexpr Region Deal{"Deal", {3, 200, 60, 233}, {250, 3, 310, 28}};
constexpr Region Hit{"Hit", {60, 200, 120, 233}, {250, 28, 310, 53}};
constexpr Region Stand{"Stand", {120, 200, 180, 233}, {250, 53, 310, 78}};
constexpr Region Double{"Double", {180, 200, 240, 233}, {250, 78, 310, 103}};
constexpr Region Clear{"Clear", {180, 235, 240, 265}, {250, 159, 310, 184}};

HWND MainWindow() { return FindWindowW(u"BLACKJACK", u"BlackJack"); }

void QueueTap(POINT at) {
  platform::QueueInput({platform::InputKind::PenDown, at, 0});
  platform::QueueInput({platform::InputKind::PenUp, at, 0});
}

// The centre of a region of the layout the screen has now, on the screen.
POINT CentreOf(const Region &region) {
  const int scale = platform::CurrentDevice().Dpi() / 96;
  const bool landscape = GetSystemMetrics(SM_CYSCREEN) < 320 * scale;
  const int *r = landscape ? region.landscape : region.portrait;
  POINT at{(r[0] + r[2]) / 2 * scale, (r[1] + r[3]) / 2 * scale};
  ClientToScreen(MainWindow(), &at);
  return at;
}

// What a tap's effect is judged by.
struct Money {
  std::int32_t bank, bet, cards;
  bool playerTurn, dealerTurn, roundOver;
};
Money Now() {
  const GameTable &t = *Shell().table;
  return {t.bank, t.bet, t.playerCardCount, t.playerTurn, t.dealerTurn, t.roundOver};
}

// A tap (none: the dealer plays on) and what it must have done.
struct Play {
  const Region *region;
  bool (*effect)(const Money &before, const Money &after);
};

bool Chip(const Money &b, const Money &a, int value) {
  return a.bet == b.bet + value && a.bank == b.bank - value;
}

// Every region once, each where its action is accepted: at 12:00:05 neither deal is a
// natural and the hit does not bust.
constexpr Play Hand[] = {
    {&Chip5, [](const Money &b, const Money &a) { return Chip(b, a, 5); }},
    {&Chip10, [](const Money &b, const Money &a) { return Chip(b, a, 10); }},
    {&Chip25, [](const Money &b, const Money &a) { return Chip(b, a, 25); }},
    {&Chip100, [](const Money &b, const Money &a) { return Chip(b, a, 100); }},
    {&Chip500, [](const Money &b, const Money &a) { return Chip(b, a, 500); }},
    {&Clear, [](const Money &, const Money &a) { return a.bet == 0 && a.bank == 1000; }},
    {&Chip5, [](const Money &b, const Money &a) { return Chip(b, a, 5); }},
    {&Deal, [](const Money &, const Money &a) { return a.playerTurn && a.cards == 2; }},
    {&Double, [](const Money &, const Money &a) { return a.cards == 3 && !a.playerTurn; }},
    {nullptr, [](const Money &, const Money &a) { return a.roundOver; }},
    {&Deal, [](const Money &, const Money &a) { return a.playerTurn && a.cards == 2; }},
    {&Hit, [](const Money &, const Money &a) { return a.playerTurn && a.cards == 3; }},
    {&Stand, [](const Money &, const Money &a) { return !a.playerTurn && a.dealerTurn; }},
};

// Starts the game on `screen`, turns it `turns` times (with the Options dialog open
// during the first when `dialogOpen`), and plays the hand.
void PlayAfterTurns(const Screen &screen, int turns, bool dialogOpen) {
  SCOPED_TRACE(std::string(screen.name) + ", " + std::to_string(turns) + " turns" +
               (dialogOpen ? ", the first with Options open" : ""));
  platform::test::HeadlessDevice device({.width = screen.width,
                                         .height = screen.height,
                                         .dpi = screen.dpi,
                                         .clockStart = {2026, 1, 4, 1, 12, 0, 5, 0}});
  const HINSTANCE instance = platform::test::LoadResModule(platform::EmbeddedResources());
  screenDpi = 0;
  Steps steps;
  const auto once = [](void (*action)()) {
    return [action] {
      action();
      return true;
    };
  };
  for (int turn = 0; turn < turns; ++turn) {
    if (turn == 0 && dialogOpen) {
      steps.Add(once([] { PostMessageW(MainWindow(), WM_COMMAND, IDM_OPTIONS, 0); }));
      steps.Add(once([] {
        EXPECT_NE(GetForegroundWindow(), MainWindow()) << "Options is open";
        platform::TurnScreen();
      }));
      steps.Add(once([] {
        const RECT ok = platform::shell::NavigationDoneButtonRect();
        QueueTap({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
      }));
    } else {
      steps.Add(once(platform::TurnScreen));
    }
  }
  Money before{};
  for (std::size_t i = 0; i < screen.plays; ++i) {
    const Play &play = Hand[i];
    steps.Add([&before, &play] {
      before = Now();
      if (play.region != nullptr) {
        QueueTap(CentreOf(*play.region));
      }
      return true;
    });
    steps.Add([&before, &play] {
      if (play.region == nullptr && Now().dealerTurn) {
        return false; // the dealer draws at the next tick
      }
      EXPECT_TRUE(play.effect(before, Now()))
          << (play.region != nullptr ? play.region->name : "the dealer's turn");
      return true;
    });
  }
  char16_t commandLine[1] = {0};
  platform::SetCurrentHost(&steps);
  EXPECT_EQ(WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL), 0);
  platform::SetCurrentHost(nullptr);
  EXPECT_TRUE(steps.AllDone());
  screenDpi = landscapeLayout = 0;
}

TEST(Turns, EveryRegionPlaysOnEveryScreenAfterNoneToThreeTurns) {
  for (const Screen &screen : Screens) {
    for (int turns = 0; turns <= 3; ++turns) {
      PlayAfterTurns(screen, turns, false);
    }
  }
  PlayAfterTurns(Screens[3], 1, true);
}

} // namespace
