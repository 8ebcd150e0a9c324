// The message queue: posted messages, input, WM_QUIT, paints and timers in that
// order; sending, dispatching and key translation.
#include <windows.h>

#include <array>
#include <deque>

#include "device/device.h"
#include "device/events.h"
#include "device/host.h"
#include "user/capture.h"
#include "user/compositor.h"
#include "user/input.h"
#include "user/window.h"

namespace platform {
namespace {

struct QueueState {
  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  bool quitPosted = false;
  int quitCode = 0;
  POINT pen{};
  std::array<bool, 256> keysDown{};
};

QueueState &Queue() {
  static QueueState queue;
  return queue;
}

const bool registered = [] {
  RegisterResetHook([] { Queue() = QueueState{}; });
  return true;
}();

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  msg.pt = Queue().pen;
  return msg;
}

LPARAM ClientPoint(const Window &w, POINT screen) {
  return MAKELPARAM(screen.x - w.rect.left, screen.y - w.rect.top);
}

bool IsPen(InputKind kind) {
  return kind == InputKind::PenDown || kind == InputKind::PenMove || kind == InputKind::PenUp;
}

// What a queued input event becomes: false when it reaches no window (a tap on the
// shell's navigation bar, a window disabled by its modal dialog, no foreground
// window for a key).
bool InputToMessage(const InputEvent &event, MSG *msg) {
  switch (event.kind) {
  case InputKind::PenDown:
  case InputKind::PenMove:
  case InputKind::PenUp: {
    // A window holding the capture gets the pen wherever it goes, even over the bars.
    Window *target = FindWindowObject(CaptureWindow());
    if (target == nullptr && event.point.y >= NavigationBarHeight()) {
      target = PenTarget(event.point);
    }
    if (target == nullptr) {
      return false;
    }
    const bool up = event.kind == InputKind::PenUp;
    const UINT message =
        up ? WM_LBUTTONUP : (event.kind == InputKind::PenDown ? WM_LBUTTONDOWN : WM_MOUSEMOVE);
    *msg = MakeMessage(target->handle, message, up ? 0 : MK_LBUTTON,
                       ClientPoint(*target, event.point));
    msg->pt = event.point;
    return true;
  }
  case InputKind::KeyDown:
  case InputKind::KeyUp: {
    Window *target = KeyTarget();
    if (target == nullptr) {
      return false;
    }
    const bool down = event.kind == InputKind::KeyDown;
    // With Alt held (or for Alt itself) keys arrive as system keys.
    const bool system = event.key == VK_MENU || Queue().keysDown[VK_MENU];
    const UINT message =
        system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    const LPARAM flags = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    *msg = MakeMessage(target->handle, message, event.key, flags);
    return true;
  }
  case InputKind::Wheel: {
    // As on the desktop system, the wheel goes to the focus; lParam is the pointer's
    // screen position, the last the pen was seen at.
    Window *target = KeyTarget();
    if (target == nullptr) {
      return false;
    }
    const POINT at = Queue().pen;
    *msg = MakeMessage(target->handle, WM_MOUSEWHEEL,
                       MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(event.wheel))),
                       MAKELPARAM(at.x, at.y));
    return true;
  }
  case InputKind::Turn:
  case InputKind::Close:
    break; // acted on when taken, never queued
  }
  return false;
}

// Records what a retrieved input event changes: the pen position, the keys held.
void Consume(const InputEvent &event) {
  QueueState &queue = Queue();
  if (event.kind == InputKind::KeyDown || event.kind == InputKind::KeyUp) {
    queue.keysDown[event.key & 0xFF] = event.kind == InputKind::KeyDown;
  } else if (IsPen(event.kind)) {
    queue.pen = event.point;
    if (event.point.y < NavigationBarHeight() && CaptureWindow() == nullptr) {
      OfferPenToShell(event.kind, event.point);
    }
  }
}

bool PeekPosted(MSG *msg, bool remove) {
  auto &posted = Queue().posted;
  if (posted.empty()) {
    return false;
  }
  *msg = posted.front();
  if (remove) {
    posted.pop_front();
  }
  return true;
}

bool PeekInput(MSG *msg, bool remove) {
  auto &input = Queue().input;
  while (!input.empty()) {
    const InputEvent event = input.front();
    MSG candidate{};
    if (!InputToMessage(event, &candidate)) {
      input.pop_front(); // nothing receives it: it is gone either way
      Consume(event);
      continue;
    }
    *msg = candidate;
    if (remove) {
      input.pop_front();
      Consume(event);
    }
    return true;
  }
  return false;
}

bool PeekQuit(MSG *msg, bool remove) {
  QueueState &queue = Queue();
  if (!queue.quitPosted) {
    return false;
  }
  *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
  if (remove) {
    queue.quitPosted = false;
  }
  return true;
}

// A paint is never queued: it is made up when nothing else is waiting, and it
// keeps coming until the window validates its update region.
bool PeekPaint(MSG *msg) {
  for (Window *w : WindowsInPaintOrder()) {
    if (w->updatePending && !w->destroying && IsShown(*w)) {
      *msg = MakeMessage(w->handle, WM_PAINT, 0, 0);
      return true;
    }
  }
  return false;
}

// A timer has at most one WM_TIMER waiting however long it has been due; taking
// it schedules the next one a whole period from now.
bool PeekTimer(MSG *msg, bool remove) {
  const std::uint64_t now = CurrentDevice().NowMs();
  Window *dueWindow = nullptr;
  UINT_PTR dueId = 0;
  for (Window *w : AllWindows()) {
    for (const auto &[id, timer] : w->timers) {
      if (timer.dueMs <= now &&
          (dueWindow == nullptr || timer.dueMs < dueWindow->timers[dueId].dueMs)) {
        dueWindow = w;
        dueId = id;
      }
    }
  }
  if (dueWindow == nullptr) {
    return false;
  }
  Timer &timer = dueWindow->timers[dueId];
  *msg = MakeMessage(dueWindow->handle, WM_TIMER, dueId, reinterpret_cast<LPARAM>(timer.callback));
  if (remove) {
    timer.dueMs = now + timer.periodMs;
  }
  return true;
}

// Input as the device takes it: announced (a recording writes what was taken, so
// that it replays the same whatever keys the replaying machine has) and queued.
void TakeInput(const InputEvent &event) {
  AnnounceInput(event, CurrentDevice().NowMs());
  switch (event.kind) {
  case InputKind::Turn:
    TurnScreen();
    break;
  case InputKind::Close:
    if (const HWND app = ForegroundApplicationWindow()) {
      PostMessageW(app, WM_CLOSE, 0, 0);
    } else {
      PostQuitMessage(0);
    }
    break;
  default:
    Queue().input.push_back(event);
    break;
  }
}

} // namespace

void QueueInput(const InputEvent &event) {
  std::vector<InputEvent> instead;
  if (!CurrentDevice().Config().keysAsTaken && OfferInputToShell(event, &instead)) {
    for (const InputEvent &e : instead) {
      TakeInput(e);
    }
    return;
  }
  TakeInput(event);
}

std::vector<InputEvent> KeyPressEvents(UINT key, BYTE modifiers) {
  static constexpr struct {
    BYTE flag;
    UINT key;
  } kModifiers[] = {{FCONTROL, VK_CONTROL}, {FSHIFT, VK_SHIFT}, {FALT, VK_MENU}};
  std::vector<InputEvent> events;
  for (const auto &m : kModifiers) {
    if ((modifiers & m.flag) != 0) {
      events.push_back(InputEvent{InputKind::KeyDown, {}, m.key});
    }
  }
  events.push_back(InputEvent{InputKind::KeyDown, {}, key});
  events.push_back(InputEvent{InputKind::KeyUp, {}, key});
  for (const auto &m : kModifiers) {
    if ((modifiers & m.flag) != 0) {
      events.push_back(InputEvent{InputKind::KeyUp, {}, m.key});
    }
  }
  return events;
}

void QueueKeyPress(UINT key, BYTE modifiers) {
  for (const InputEvent &event : KeyPressEvents(key, modifiers)) {
    QueueInput(event);
  }
}

} // namespace platform

using platform::FindWindowObject;
using platform::Window;

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd != nullptr && FindWindowObject(hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  platform::Queue().posted.push_back(platform::MakeMessage(hWnd, Msg, wParam, lParam));
  return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
  platform::Queue().quitPosted = true;
  platform::Queue().quitCode = nExitCode;
  platform::AnnounceQuit();
}

// The program takes every message in turn, so filters by window or by message are
// not provided: a call with one fails rather than hand out what it did not ask for.
BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
  if (lpMsg == nullptr || hWnd != nullptr || wMsgFilterMin != 0 || wMsgFilterMax != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
  // Input that reaches no window may still post (the navigation bar's "ok"), so the
  // posted messages are looked at again after the input.
  return platform::PeekPosted(lpMsg, remove) || platform::PeekInput(lpMsg, remove) ||
                 platform::PeekPosted(lpMsg, remove) || platform::PeekQuit(lpMsg, remove) ||
                 platform::PeekPaint(lpMsg) || platform::PeekTimer(lpMsg, remove)
             ? TRUE
             : FALSE;
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (lpMsg == nullptr || hWnd != nullptr || wMsgFilterMin != 0 || wMsgFilterMax != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  while (PeekMessageW(lpMsg, nullptr, 0, 0, PM_REMOVE) == FALSE) {
    // Nothing is ready. The idle work (the registry's save, the single-instance
    // service, the close signals) may give the program something; if not, the
    // screen goes to the host as it stands, and the host waits for input or for
    // the next timer.
    platform::RunIdleHooks();
    if (PeekMessageW(lpMsg, nullptr, 0, 0, PM_NOREMOVE) != FALSE) {
      continue;
    }
    platform::Host &host = platform::CurrentHost();
    if (platform::ComposeScreen()) {
      const platform::Surface &screen = platform::ScreenSurface();
      host.Present(platform::Frame{screen.pixels.data(), screen.width, screen.height});
    }
    host.WaitForEvents(platform::NextTimerDueMs());
  }
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

// No window of the program reads characters (its keys are accelerators and the
// shell's key map), so no WM_CHAR is made: a key message is only acknowledged.
BOOL WINAPI TranslateMessage(const MSG *lpMsg) {
  return lpMsg != nullptr && (lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_SYSKEYDOWN)
             ? TRUE
             : FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG *lpMsg) {
  if (lpMsg == nullptr || lpMsg->hwnd == nullptr) {
    return 0;
  }
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    // A timer with a callback calls it instead of the window procedure.
    const auto callback = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
    callback(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
    return 0;
  }
  return SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

SHORT WINAPI GetKeyState(int nVirtKey) {
  const bool down = platform::Queue().keysDown[static_cast<unsigned>(nVirtKey) & 0xFF];
  return down ? static_cast<SHORT>(-0x8000) : static_cast<SHORT>(0);
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *w = FindWindowObject(hWnd);
  if (w == nullptr || w->proc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc(hWnd, Msg, wParam, lParam);
}
