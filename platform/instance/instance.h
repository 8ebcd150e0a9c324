// The single-instance service: one running copy per profile, found by the next
// start through a Unix-domain socket in the user's runtime folder.
//
// The host starts the service at start-up; the first process on a profile
// serves, later ones are clients of it. The user layer's FindWindowW and
// SetForegroundWindow fall back on FindRemoteWindow and BringRemoteToFront for
// windows of the other process; the serving process answers through the
// LocalWindowCalls it registered. Everything runs on the GUI thread.
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
  Alone,  // no service: no profile, or the runtime folder was refused
  First,  // this process serves the profile
  Second, // another process serves it; this one may ask it
};

// Starts the service for `profileDir` (created with mode 0700 when missing).
// Starts are serialised by a lock file; a socket left by a process that died is
// found by a failed connect and replaced. `*message` (when given) explains an
// Alone result in one line. Stops a service started before.
Role StartService(const std::string &profileDir, std::string *message = nullptr);
// Closes the socket; a serving process removes it. Also run at device reset.
void StopService();

// The descriptor the host waits on with its other input (readable when a
// request is waiting), or -1 when this process does not serve.
int ServiceFd();
// Accepts and answers one waiting request without blocking for long: a client
// that sends nothing, too much, or something malformed is cut off within a
// fraction of a second. Returns false when nothing was waiting.
bool ServeOne();

// Asks the serving process for a top-level window; null when this process is
// not Second, or when there is no such window. The handle is a proxy that
// only BringRemoteToFront accepts.
HWND FindRemoteWindow(LPCWSTR className, LPCWSTR title);
bool IsRemoteWindow(HWND hwnd); // with or without the low bit
// Brings the other process's window (and its owned pop-ups) to the front.
bool BringRemoteToFront(HWND hwnd);

// The runtime folder for the socket: $XDG_RUNTIME_DIR, which must be a folder of
// this user with no access for others, or when unset /tmp/blackjack-UID, created
// with mode 0700 and held to the same rules. Empty with a one-line reason when
// refused.
std::string RuntimeFolder(std::string *error);

} // namespace platform::instance
