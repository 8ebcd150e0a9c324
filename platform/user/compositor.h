// The screen: the compositor that stacks the windows into it, and the shell's
// part of it (its bars), which the shell library installs.
#pragma once

#include <windows.h>

#include <vector>

#include "user/input.h"

namespace platform {

// Marks the screen as changed so the compositor redraws it before the next wait.
void MarkScreenChanged();
// Draws the windows and the shell's bars into ScreenSurface() when anything
// changed since the last call; returns true when it drew. The message loop calls
// it before it waits, and presents what it drew on the host.
bool ComposeScreen();

// What the shell adds to the screen: the navigation bar at the top, drawn over
// the windows at each composition, and what a pen event on it does. Pen events
// above NavigationBarHeight() go to the shell and never to a window. The shell also
// sees the user's input as it is taken, before the queue: it may turn a key into
// what it stands for (a tap on the spot a program maps it to), returning true with
// the input in its place (none, to take it away).
struct ShellHooks {
  void (*drawBars)(HDC screen) = nullptr;
  void (*penOnBars)(InputKind kind, POINT screen) = nullptr;
  bool (*takeInput)(const InputEvent &event, std::vector<InputEvent> *instead) = nullptr;
};
void InstallShellHooks(const ShellHooks &hooks);
// Hands the shell a pen event that landed on its bars (message.cpp).
void OfferPenToShell(InputKind kind, POINT screen);
// Offers the shell the user's input as it is taken (QueueInput).
bool OfferInputToShell(const InputEvent &event, std::vector<InputEvent> *instead);

} // namespace platform
