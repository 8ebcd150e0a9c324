// Start-up, the main window's procedure, the message loop, and the close that stores the money.
#include <windows.h>

#include <aygshell.h>

#include <cstdint>
#include <new>

#include "resource.h"
#include "shell/shell.h"
#include "view/table_renderer.h"

namespace {

// The class name and the title are loaded into buffers of this many units.
constexpr int NameLength = 100;
// What start-up takes off the window's height to leave room for the menu bar: the
// bar's height at 96 dpi, whatever the screen's dpi.
constexpr int MenuBarHeight = 26;

// Handed to SHHandleWMSettingChange; every field stays zero, the size included.
SHACTIVATEINFO activationRecord{};

std::unique_ptr<GameTable> AllocateGameTable(HINSTANCE instance, HWND window) {
  return std::unique_ptr<GameTable>(new (std::nothrow) GameTable(instance, window));
}

LRESULT OnCreate(HWND window, WPARAM, LPARAM) {
  // A game without its bar still runs; only New, Options and About are out of reach.
  Shell().menuBar = CreateMainMenuBar(window);
  return 0;
}

LRESULT OnPaint(HWND window, WPARAM, LPARAM) {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window, &paint);
  if (GameTable *table = Shell().table.get()) {
    PaintTable(*table, dc);
  }
  EndPaint(window, &paint);
  return 1;
}

// The renderer covers every pixel, so erasing first would only make the table flicker.
LRESULT OnEraseBackground(HWND, WPARAM, LPARAM) { return 1; }

LRESULT OnSettingChange(HWND window, WPARAM wParam, LPARAM lParam) {
  SHHandleWMSettingChange(window, wParam, lParam, &activationRecord);
  return 0;
}

// Both WM_CLOSE and WM_DESTROY end the game; the table is gone after the first, so
// the money and the settings are stored once.
LRESULT OnClose(HWND, WPARAM, LPARAM) {
  ShellState &shell = Shell();
  if (shell.menuBar != nullptr) {
    DestroyWindow(shell.menuBar);
    shell.menuBar = nullptr;
  }
  shell.table.reset();
  PostQuitMessage(0);
  return 0;
}

LRESULT OnCommandMessage(HWND window, WPARAM wParam, LPARAM lParam) {
  return OnCommand(window, LOWORD(wParam)) ? 0 : DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

LRESULT OnTimerMessage(HWND window, WPARAM wParam, LPARAM lParam) {
  OnTimer(wParam);
  return DefWindowProcW(window, WM_TIMER, wParam, lParam);
}

LRESULT OnPenUpMessage(HWND, WPARAM, LPARAM lParam) {
  // Client coordinates, each taken as an unsigned 16-bit number.
  OnPenUp(LOWORD(lParam), HIWORD(lParam));
  return 0;
}

struct MessageHandler {
  UINT message;
  LRESULT (*handle)(HWND window, WPARAM wParam, LPARAM lParam);
};

constexpr MessageHandler MainWindowHandlers[] = {
    {WM_CREATE, OnCreate},
    {WM_PAINT, OnPaint},
    {WM_ERASEBKGND, OnEraseBackground},
    {WM_SETTINGCHANGE, OnSettingChange},
    {WM_CLOSE, OnClose},
    {WM_DESTROY, OnClose},
    {WM_COMMAND, OnCommandMessage},
    {WM_TIMER, OnTimerMessage},
    {WM_LBUTTONUP, OnPenUpMessage},
};

} // namespace

ShellState &Shell() {
  static ShellState state;
  return state;
}

GameTableFactory MakeGameTable = AllocateGameTable;

HWND CreateMenuBarFromResource(HWND parent, UINT menuBarId) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof(info);
  info.hwndParent = parent;
  info.nToolBarId = menuBarId;
  info.hInstRes = Shell().instance;
  return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

HWND CreateMainMenuBar(HWND window) { return CreateMenuBarFromResource(window, IDM_MENUBAR); }

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  for (const MessageHandler &handler : MainWindowHandlers) {
    if (handler.message == message) {
      return handler.handle(window, wParam, lParam);
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool InitInstance(HINSTANCE instance, int showCommand) {
  ShellState &shell = Shell();
  shell.instance = instance;
  WCHAR className[NameLength] = {};
  WCHAR title[NameLength] = {};
  LoadStringW(instance, IDS_APP_CLASS, className, NameLength);
  LoadStringW(instance, IDS_APP_TITLE, title, NameLength);

  if (const HWND running = FindWindowW(className, title)) {
    // The low bit brings the window's owned pop-ups, such as an open dialog, along.
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(running) | 1));
    return false;
  }
  // Before the window exists, so that every later scaling sees the screen's dpi.
  CaptureScreenDpi();

  WNDCLASSW windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_BLACKJACK));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);

  const HWND window =
      CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return false;
  }
  if (shell.menuBar != nullptr) {
    // The right and bottom edges stand for the width and height. Under a navigation
    // bar as high as the menu bar this leaves the window where it was, reaching under
    // the menu bar; the table's layout keeps its pieces clear of that strip.
    RECT rect{};
    GetWindowRect(window, &rect);
    MoveWindow(window, rect.left, rect.top, rect.right, rect.bottom - MenuBarHeight, FALSE);
  }
  shell.table = MakeGameTable(instance, window);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
  if (!InitInstance(instance, showCommand)) {
    return 0;
  }
  const HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_BLACKJACK));
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0)) {
    if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // A quit that did not come from the close (the system ending the session) still
  // keeps the player's money.
  Shell().table.reset();
  return static_cast<int>(message.wParam);
}
