// The single-instance service: one game per profile. The process that plays
// holds the profile's lock for its whole life; a later start on the same profile
// finds it through a Unix-domain socket in the user's runtime folder and hands
// over to it, or, when it is closing, waits for its lock and plays.
//
// The host starts the service at start-up. The user layer's FindWindowW and
// SetForegroundWindow fall back on FindRemoteWindow and BringRemoteToFront for
// windows of the other process; the serving process answers through the
// LocalWindowCalls it registered, in the message loop's idle work, and stops
// serving when the program posts WM_QUIT. Everything runs on the GUI thread.
#pragma once

#include <windows.h>

#include <string>

namespace platform::instance {

// What a request from another process runs here: a search of this process's own
// top-level windows (null arguments match any; never asks another process), and
// bringing one of them, with its owned pop-ups, to the front (the handle may
// carry the shell's low bit).
struct LocalWindowCalls {
  HWND (*findWindow)(LPCWSTR className, LPCWSTR title) = nullptr;
  bool (*bringToFront)(HWND hwnd) = nullptr;
};
// Registered once by the user layer; requests find nothing until it is.
void SetLocalWindowCalls(const LocalWindowCalls &calls);

enum class Role {
  Alone,  // no profile, or no lock could be had for it (*message says why)
  First,  // this process holds the profile's lock and plays
  Second, // another process holds it: this one hands over and ends
};

// How long a start waits for a process that holds the profile but takes no
// hand-over (it is closing, or has only just started) before taking it as one
// that does not answer.
inline constexpr int HolderPatienceMs = 5000;

// Starts the service for `profileDir` (created with mode 0700 when missing). The
// lock is the file instance.lock in the profile folder, the player's own, so
// every start on the profile meets it whatever its environment; only where that
// file cannot be made is it kept in the runtime folder. A process that died frees
// its lock, and its socket is replaced. `*message` (when given) says in one line
// why the result is Alone, or why a First cannot take hand-overs. Stops a
// service started before.
Role StartService(const std::string &profileDir, std::string *message = nullptr);
// Stops taking hand-overs as the program begins to close: the socket goes, so a
// start from now on waits for the lock rather than asking a program that will
// not answer. The lock stays held until StopService.
void StopServing();
// Stops serving, releases the lock and removes its file. Also run at device reset.
void StopService();

// The descriptor that is readable when a request is waiting, or -1 when this
// process does not serve.
int ServiceFd();
// Accepts and answers one waiting request without blocking for long: a client
// that sends nothing, too much, or something malformed is cut off within a
// fraction of a second. Returns false when nothing was waiting.
bool ServeOne();

// Asks the serving process for a top-level window; the handle is a proxy that
// only BringRemoteToFront accepts. Null when this process is not Second, when
// the holder has no such window, or when the holder closed meanwhile and this
// process now holds the profile. A holder that does not answer (stopped, busy)
// is taken to have the window, so that the start ends without a game; one line
// on standard error says so.
HWND FindRemoteWindow(LPCWSTR className, LPCWSTR title);
bool IsRemoteWindow(HWND hwnd); // with or without the low bit
// Brings the other process's window (and its owned pop-ups) to the front; false
// at once for the window of a holder that did not answer.
bool BringRemoteToFront(HWND hwnd);

// Test hook: called each time a start begins to wait for a holder that takes no
// hand-over, so that a test can let that holder end only then.
void SetWaitNotice(void (*notice)());

// The runtime folder for the socket: $XDG_RUNTIME_DIR, which must be a folder of
// this user with no access for others, or when unset /tmp/blackjack-UID, created
// with mode 0700 and held to the same rules. Empty with a one-line reason when
// refused.
std::string RuntimeFolder(std::string *error);

} // namespace platform::instance
