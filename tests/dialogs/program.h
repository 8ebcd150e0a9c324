// A small program for the dialog tests, run under the headless host: a main window
// (with the game's menu bar and, if asked, a timer) that opens one modal dialog.
#pragma once

#include <aygshell.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kernel/module.h"
#include "template_builder.h"
#include "testing/testing.h"
#include "user/dialog.h"

namespace dialogtest {

struct Program {
  std::vector<std::byte> dialogTemplate; // when empty, `templateId` from the module
  WORD templateId = 0;
  DLGPROC proc = nullptr;
  bool mainMenuBar = true;
  UINT mainTimerMs = 0;
  // Runs inside the program once the dialog has closed, before its message loop.
  std::function<void(HWND main)> afterDialog;
  // What happened.
  INT_PTR result = -2;
  HWND main = nullptr;
  std::vector<UINT> mainSeen; // the main window's messages
};

inline Program &State() {
  static Program program;
  return program;
}

inline LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  State().mainSeen.push_back(message);
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
  }
  if (message == WM_PAINT) {
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    const HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    FillRect(dc, &ps.rcPaint, green);
    DeleteObject(green);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The menu bar as the game makes it, from the module's resource `id`.
inline HWND MakeMenuBar(HWND parent, UINT id, HINSTANCE instance) {
  SHMENUBARINFO info{.cbSize = sizeof(SHMENUBARINFO),
                     .hwndParent = parent,
                     .nToolBarId = id,
                     .hInstRes = instance};
  return SHCreateMenuBar(&info) != FALSE ? info.hwndMB : nullptr;
}

inline int WINAPI ProgramMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
  Program &p = State();
  WNDCLASSW wc{};
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = u"DialogTestMain";
  RegisterClassW(&wc);
  p.main = CreateWindowExW(0, u"DialogTestMain", u"Main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (p.mainMenuBar && MakeMenuBar(p.main, 102, instance) != nullptr) {
    RECT r{};
    GetWindowRect(p.main, &r);
    MoveWindow(p.main, r.left, r.top, r.right, r.bottom - r.top - platform::NavigationBarHeight(),
               FALSE);
  }
  if (p.mainTimerMs != 0) {
    SetTimer(p.main, 1025, p.mainTimerMs, nullptr);
  }
  ShowWindow(p.main, show);
  UpdateWindow(p.main);
  const void *data = p.dialogTemplate.data();
  if (p.dialogTemplate.empty()) {
    data = LockResource(
        LoadResource(instance, FindResourceW(instance, MAKEINTRESOURCEW(p.templateId), RT_DIALOG)));
  }
  if (data != nullptr) { // without a template the main window runs alone
    p.result =
        DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(data), p.main, p.proc, 0);
    if (p.afterDialog) {
      p.afterDialog(p.main);
    }
  }
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) != FALSE) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// A device of the given screen with the game's resources as its main module.
class ProgramTest : public ::testing::Test {
protected:
  explicit ProgramTest(int width = 240, int height = 320, int dpi = 96) {
    Start(width, height, dpi);
  }

  void Start(int width, int height, int dpi) {
    State() = Program{};
    device_.reset();
    device_.emplace(platform::DeviceConfig{.width = width, .height = height, .dpi = dpi});
    std::string error;
    module_ = platform::test::LoadResModule(platform::EmbeddedResources(), &error);
    ASSERT_NE(module_, nullptr) << error;
  }

  platform::test::ScriptRun Run(const std::string &script) {
    return platform::test::RunScript(ProgramMain, script, module_);
  }

  std::optional<platform::test::HeadlessDevice> device_;
  HINSTANCE module_ = nullptr;
};

// Where the item `id` of a template lands on the screen when the dialog's top-left is at
// `origin`: its centre, in the font the template asks for.
inline POINT ItemCentre(std::span<const std::byte> bytes, WORD id, POINT origin) {
  platform::DialogTemplate t;
  std::string error;
  EXPECT_TRUE(platform::ParseDialogTemplate(bytes, &t, &error)) << error;
  const HFONT font = platform::CreateDialogFont(t);
  const SIZE base = platform::MeasureBaseUnits(font);
  DeleteObject(font);
  for (const platform::DialogItem &item : t.items) {
    if (item.id == id) {
      return POINT{origin.x + platform::DialogUnitsToPixelsX(item.x + item.cx / 2, base),
                   origin.y + platform::DialogUnitsToPixelsY(item.y + item.cy / 2, base)};
    }
  }
  ADD_FAILURE() << "no item " << id;
  return origin;
}

inline std::string Tap(POINT p) {
  return "tap " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
}

} // namespace dialogtest
