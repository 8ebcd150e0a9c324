// The whole game run in-process on a fresh headless device, with a test playing it step by step.
#include "player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "aygshell/shell.h"
#include "device/device.h"
#include "kernel/module.h"
#include "shell/shell.h"
#include "user/input.h"
#include "user/window.h"

namespace shelltest {

namespace {

POINT Centre(const RECT &r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void QueueTap(POINT screen) {
  platform::QueueInput(platform::InputEvent{platform::InputKind::PenDown, screen, 0});
  platform::QueueInput(platform::InputEvent{platform::InputKind::PenUp, screen, 0});
}

} // namespace

GameDevice::GameDevice(platform::DeviceConfig config, const std::string &resFile)
    : device_(config) {
  std::string error;
  instance_ = resFile.empty() ? platform::test::LoadResModule(platform::EmbeddedResources(), &error)
                              : platform::test::LoadResModuleFile(resFile, &error);
  EXPECT_NE(instance_, nullptr) << error;
  // Each run is a fresh process of the game, which captures the dpi afresh.
  screenDpi = 0;
  platform::test::ClearPlayedCues();
}

GameDevice::~GameDevice() {
  screenDpi = 0;
  landscapeLayout = 0;
}

Player &Player::Tap(POINT screen) {
  return Then([screen] { QueueTap(screen); });
}

Player &Player::TapClient(int x, int y) {
  return Then([x, y] {
    POINT point{x, y};
    ClientToScreen(MainWindow(), &point);
    QueueTap(point);
  });
}

Player &Player::TapControl(int id) {
  return Then([id] {
    RECT r{};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(GetForegroundWindow(), id), &r)) << "no control " << id;
    QueueTap(Centre(r));
  });
}

Player &Player::TapDone() { return Tap(Centre(platform::shell::NavigationDoneButtonRect())); }

Player &Player::Command(UINT id) {
  return Then([id] { PostMessageW(MainWindow(), WM_COMMAND, id, 0); });
}

Player &Player::Rotate() {
  return Then([] { platform::TurnScreen(); });
}

Player &Player::Key(UINT key, BYTE modifiers) {
  return Then([key, modifiers] { platform::QueueKeyPress(key, modifiers); });
}

Player &Player::Wait(std::uint64_t ms) {
  return Then([this, ms] { waitUntil_ = platform::CurrentDevice().NowMs() + ms; });
}

Player &Player::Then(std::function<void()> step) {
  steps_.push_back(std::move(step));
  return *this;
}

int Player::Play(HINSTANCE instance) {
  platform::SetCurrentHost(this);
  char16_t commandLine[1] = {0};
  const int code = WinMain(instance, nullptr, commandLine, SW_SHOWNORMAL);
  platform::SetCurrentHost(nullptr);
  EXPECT_EQ(next_, steps_.size()) << "the game ended before the test's last step";
  return code;
}

void Player::WaitForEvents(std::uint64_t deadlineMs) {
  platform::Device &device = platform::CurrentDevice();
  for (;;) {
    const std::uint64_t now = device.NowMs();
    if (waitUntil_) {
      // A wait lets the clock run to each timer in turn, then to its end.
      const std::uint64_t until = std::min(deadlineMs, *waitUntil_);
      device.AdvanceMs(until > now ? until - now : 0);
      if (until == *waitUntil_) {
        waitUntil_.reset();
      }
      return;
    }
    if (next_ < steps_.size()) {
      steps_[next_++]();
      if (!waitUntil_) {
        return;
      }
      continue;
    }
    if (!closeSent_) {
      closeSent_ = true;
      PostMessageW(platform::ForegroundApplicationWindow(), WM_CLOSE, 0, 0);
      return;
    }
    ADD_FAILURE() << "the game did not end after WM_CLOSE";
    PostQuitMessage(1);
    return;
  }
}

HWND MainWindow() { return FindWindowW(u"BLACKJACK", u"BlackJack"); }

GameTable &Table() {
  GameTable *table = Shell().table.get();
  if (table == nullptr) {
    std::fprintf(stderr, "the game has no table\n");
    std::abort();
  }
  return *table;
}

std::vector<std::u16string> TakeCues() {
  std::vector<std::u16string> names;
  for (const auto &cue : platform::test::PlayedCues()) {
    names.push_back(cue.name);
  }
  platform::test::ClearPlayedCues();
  return names;
}

std::optional<DWORD> Stored(LPCWSTR name) {
  DWORD value = 0;
  if (!RegistrySettings().ReadDword(SettingsKey, name, &value)) {
    return std::nullopt;
  }
  return value;
}

} // namespace shelltest
