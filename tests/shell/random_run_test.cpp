// A long seeded run of random taps, commands, dialogs, turns of the screen and timer ticks.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "player.h"
#include "resource.h"
#include "shell/shell.h"
#include "user/input.h"
#include "user/window.h"

namespace {

using namespace shelltest;

std::int64_t Number(const WCHAR *text) {
  std::string digits;
  for (; *text != 0; ++text) {
    digits += static_cast<char>(*text);
  }
  return std::stoll(digits);
}

// What a player has in hand: taps (on the regions, mostly), the three commands, the
// Options dialog's controls, the screen turned, time for the dealer.
void RandomStep(Player &player, std::mt19937 &random, int &events) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  switch (pick(20)) {
  case 0:
    player.Command(IDM_NEW);
    ++events;
    return;
  case 1:
    player.Command(IDM_ABOUT).TapControl(IDOK);
    events += 2;
    return;
  case 2: {
    constexpr int Controls[] = {IDC_PLAY_SOUNDS, IDC_CLEARTYPE,  IDC_ONE_DECK,
                                IDC_TWO_DECKS,   IDC_FOUR_DECKS, IDC_EIGHT_DECKS};
    player.Command(IDM_OPTIONS).TapControl(Controls[pick(6)]).TapControl(IDOK);
    events += 3;
    return;
  }
  case 3:
    player.Rotate();
    ++events;
    return;
  case 4:
  case 5:
    player.Wait(static_cast<std::uint64_t>(pick(1000)));
    ++events;
    return;
  default: {
    // A tap somewhere on the screen, or on a region of the orientation in force.
    const HitRegion &region = HitRegions[pick(HitRegionCount)];
    const bool anywhere = pick(4) == 0;
    player.Then([=] {
      const int scale = screenDpi / 96;
      POINT point{};
      if (anywhere) {
        point = {pick(GetSystemMetrics(SM_CXSCREEN)), pick(GetSystemMetrics(SM_CYSCREEN))};
      } else {
        const bool wide = IsLandscape();
        point = {(wide ? region.landscapeLeft : region.portraitLeft) * scale + 2,
                 (wide ? region.landscapeTop : region.portraitTop) * scale + 2};
        ClientToScreen(MainWindow(), &point);
      }
      platform::QueueInput({platform::InputKind::PenDown, point, 0});
      platform::QueueInput({platform::InputKind::PenUp, point, 0});
    });
    ++events;
  }
  }
}

TEST(RandomRun, HundredThousandEventsLeakNothingAndStoreTheMoneyShown) {
  const char *seedText = std::getenv("BLACKJACK_SEED");
  const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::atoi(seedText)) : 20260104;
  std::printf("seed %u (set BLACKJACK_SEED to replay)\n", seed);
  std::mt19937 random(seed);
  platform::test::TempProfile profile;
  platform::DeviceConfig config;
  config.profileDir = profile.Dir();
  GameDevice device(config);

  platform::test::GdiCounts gdiAtStart;
  std::size_t windowsAtStart = 0;
  std::int64_t moneyShown = 0;
  Player player;
  player.Then([&] {
    gdiAtStart = platform::test::GdiObjectCounts();
    windowsAtStart = platform::AllWindows().size();
  });
  for (int events = 0; events < 100000;) {
    RandomStep(player, random, events);
  }
  player.Then([&] {
    EXPECT_EQ(platform::test::GdiObjectCounts(), gdiAtStart);
    EXPECT_EQ(platform::AllWindows().size(), windowsAtStart);
    // The bank and the bet as the last paint wrote them on the table.
    moneyShown = Number(Table().bankText.get()) + Number(Table().betText.get());
  });
  EXPECT_EQ(player.Play(device.Instance()), 0);
  EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(moneyShown));
}

} // namespace
