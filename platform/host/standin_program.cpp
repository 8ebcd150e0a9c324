// A stand-in program that `blackjack` runs while the game provides no WinMain: one
// window that shows and reports what the host delivers to it. It is not the game.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

POINT lastPenUp{-1, -1};

void Report(const char *what, long a, long b) {
  std::printf("%s %ld %ld\n", what, a, b);
  std::fflush(stdout);
}

void Fill(HDC dc, const RECT &r, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Text(HDC dc, int x, int y, const std::u16string &text) {
  ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

std::u16string Number(long v) {
  const std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// A fixed test picture: a grid every 20 pixels, a red block at the top left, a
// blue one at the bottom right, the client size, and a cross where the pen was
// lifted last.
void Paint(HWND hwnd) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  Fill(dc, client, RGB(255, 255, 255));
  for (LONG x = 0; x < client.right; x += 20) {
    Fill(dc, RECT{x, 0, x + 1, client.bottom}, RGB(200, 200, 200));
  }
  for (LONG y = 0; y < client.bottom; y += 20) {
    Fill(dc, RECT{0, y, client.right, y + 1}, RGB(200, 200, 200));
  }
  Fill(dc, RECT{10, 10, 60, 40}, RGB(220, 0, 0));
  Fill(dc, RECT{client.right - 60, client.bottom - 40, client.right - 10, client.bottom - 10},
       RGB(0, 0, 220));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  Text(dc, 10, 50, u"Host check " + Number(client.right) + u"x" + Number(client.bottom));
  if (lastPenUp.x >= 0) {
    Text(dc, 10, 70, u"pen up " + Number(lastPenUp.x) + u"," + Number(lastPenUp.y));
    Fill(dc, RECT{lastPenUp.x - 6, lastPenUp.y, lastPenUp.x + 7, lastPenUp.y + 1}, RGB(0, 128, 0));
    Fill(dc, RECT{lastPenUp.x, lastPenUp.y - 6, lastPenUp.x + 1, lastPenUp.y + 7}, RGB(0, 128, 0));
  }
  EndPaint(hwnd, &ps);
  Report("WM_PAINT", client.right, client.bottom);
}

LRESULT CALLBACK CheckProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    Paint(hwnd);
    return 0;
  case WM_LBUTTONDOWN:
    Report("WM_LBUTTONDOWN", LOWORD(lParam), HIWORD(lParam));
    return 0;
  case WM_LBUTTONUP:
    lastPenUp = POINT{LOWORD(lParam), HIWORD(lParam)};
    Report("WM_LBUTTONUP", lastPenUp.x, lastPenUp.y);
    InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
  case WM_KEYDOWN:
    Report("WM_KEYDOWN", static_cast<long>(wParam), 0);
    return 0;
  case WM_COMMAND:
    Report("WM_COMMAND", LOWORD(wParam), HIWORD(wParam));
    return 0;
  case WM_SETTINGCHANGE:
    Report("WM_SETTINGCHANGE", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
  case WM_CLOSE:
    Report("WM_CLOSE", 0, 0);
    DestroyWindow(hwnd);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CheckProc;
  wc.hInstance = instance;
  wc.lpszClassName = u"HostCheck";
  if (RegisterClassW(&wc) == 0) {
    return 1;
  }
  const HWND hwnd =
      CreateWindowExW(0, u"HostCheck", u"Host check", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) {
    return 1;
  }
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  // The program's own accelerator table 3, when its resources have one.
  const HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(3));
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    if (accelerators == nullptr || TranslateAcceleratorW(msg.hwnd, accelerators, &msg) == 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
