// The single-instance service: the socket, the start protocol, and serving and
// asking across processes.
#include "instance/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "common/handle_table.h"
#include "common/posix_file.h"
#include "device/device.h"
#include "instance/protocol.h"

namespace platform::instance {
namespace {

using Clock = std::chrono::steady_clock;
// How long the serving GUI thread gives a client to send its request and take
// the reply; a client gives the server longer, as it may be busy painting.
constexpr std::chrono::milliseconds ServerDeadline{250};
constexpr std::chrono::milliseconds ClientDeadline{1000};

struct RemoteWindow {
  std::uint64_t value = 0; // the window's handle in the serving process
};

struct Service {
  Role role = Role::Alone;
  std::string socketPath;
  UniqueFd listener;
  dev_t socketDevice = 0;
  ino_t socketInode = 0;
  HandleTable<RemoteWindow> remotes{0x7E000000};
};

Service &State() {
  static Service service;
  return service;
}

LocalWindowCalls &Calls() {
  static LocalWindowCalls calls;
  return calls;
}

const bool registered = [] {
  RegisterResetHook(StopService);
  return true;
}();

std::string Refuse(std::string *error, const std::string &why) {
  if (error != nullptr) {
    *error = why;
  }
  return {};
}

std::string Octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777);
  return text;
}

// FNV-1a: names the socket of a profile by its canonical path.
std::string ProfileKey(const std::string &canonical) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : canonical) {
    h = (h ^ c) * 0x100000001b3ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

bool Address(const std::string &path, sockaddr_un *address) {
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) {
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool PeerIsThisUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

// A non-blocking connect: on a Unix socket it completes at once, or fails with
// EAGAIN when the server's queue is full, ECONNREFUSED when nobody listens on
// the socket (a process died), ENOENT when there is no socket.
UniqueFd Connect(const std::string &path, int *error) {
  sockaddr_un address{};
  if (!Address(path, &address)) {
    *error = ENAMETOOLONG;
    return UniqueFd();
  }
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.Valid()) {
    *error = errno;
    return fd;
  }
  if (connect(fd.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
    *error = errno;
    return UniqueFd();
  }
  *error = 0;
  return fd;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, RemainingMs(deadline));
    if (n > 0) {
      return true;
    }
    if (n == 0 || errno != EINTR) {
      return false;
    }
  }
}

bool SendAll(int fd, const std::vector<std::byte> &bytes, Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      if (!WaitFor(fd, POLLOUT, deadline)) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

// Reads one message: never more bytes than the largest message and one more,
// so an oversized or overlong message is seen as such and not buffered.
template <class Message, class Decode>
Decoded Receive(int fd, Clock::time_point deadline, Decode decode, Message *message,
                std::string *error) {
  std::vector<std::byte> bytes;
  std::byte chunk[512];
  for (;;) {
    const std::size_t room = HeaderBytes + MaxPayload + 1 - bytes.size();
    const ssize_t n = recv(fd, chunk, std::min(room, sizeof chunk), 0);
    if (n > 0) {
      bytes.insert(bytes.end(), chunk, chunk + n);
      const Decoded d = decode(bytes, message, error);
      if (d != Decoded::NeedMore) {
        return d;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno == EAGAIN && WaitFor(fd, POLLIN, deadline)) {
      continue;
    }
    *error = n == 0 ? "the connection closed inside a message" : "no complete message in time";
    return Decoded::NeedMore;
  }
}

// One request to the serving process and its reply.
bool Ask(const Request &request, Reply *reply) {
  const Service &s = State();
  if (s.role != Role::Second) {
    return false;
  }
  const std::vector<std::byte> message = EncodeRequest(request);
  if (message.empty()) {
    return false;
  }
  const auto deadline = Clock::now() + ClientDeadline;
  int error = 0;
  UniqueFd fd = Connect(s.socketPath, &error);
  while (!fd.Valid() && error == EAGAIN && RemainingMs(deadline) > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the server's queue is full
    fd = Connect(s.socketPath, &error);
  }
  std::string why;
  return fd.Valid() && PeerIsThisUser(fd.Get()) && SendAll(fd.Get(), message, deadline) &&
         Receive(fd.Get(), deadline, DecodeReply, reply, &why) == Decoded::Complete;
}

Role Fail(std::string *message, const std::string &why) {
  if (message != nullptr) {
    *message = "single instance: " + why + "; running without it";
  }
  return Role::Alone;
}

// With the start lock held: serve the profile from a new socket at `path`.
bool Listen(const std::string &path, std::string *why) {
  sockaddr_un address{};
  Address(path, &address);
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  struct stat st {};
  if (!fd.Valid() ||
      bind(fd.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
      chmod(path.c_str(), 0600) != 0 || listen(fd.Get(), SOMAXCONN) != 0 ||
      stat(path.c_str(), &st) != 0) {
    *why = "cannot listen on " + path + ": " + std::strerror(errno);
    return false;
  }
  Service &s = State();
  s.listener = std::move(fd);
  s.socketDevice = st.st_dev;
  s.socketInode = st.st_ino;
  return true;
}

void Answer(int fd) {
  const auto deadline = Clock::now() + ServerDeadline;
  Request request;
  std::string why;
  const Decoded got = Receive(fd, deadline, DecodeRequest, &request, &why);
  if (got == Decoded::Bad) {
    SendAll(fd, EncodeReply(Reply{Status::BadRequest, {}}), deadline);
    return;
  }
  if (got != Decoded::Complete) {
    return; // a start checking that we run, or a client that gave up
  }
  const LocalWindowCalls &calls = Calls();
  Reply reply{Status::NotFound, {}};
  if (request.op == Op::FindWindow && calls.findWindow != nullptr) {
    const HWND found = calls.findWindow(request.className ? request.className->c_str() : nullptr,
                                        request.title ? request.title->c_str() : nullptr);
    if (found != nullptr) {
      reply = Reply{Status::Ok, reinterpret_cast<std::uintptr_t>(found)};
    }
  } else if (request.op == Op::BringToFront && calls.bringToFront != nullptr &&
             calls.bringToFront(
                 reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request.window)))) {
    reply = Reply{Status::Ok, {}};
  }
  SendAll(fd, EncodeReply(reply), deadline);
}

} // namespace

void SetLocalWindowCalls(const LocalWindowCalls &calls) { Calls() = calls; }

std::string RuntimeFolder(std::string *error) {
  const char *xdg = getenv("XDG_RUNTIME_DIR");
  const bool fromEnvironment = xdg != nullptr && *xdg != '\0';
  std::string folder;
  struct stat st {};
  if (fromEnvironment) {
    folder = xdg;
    if (folder.front() != '/') {
      return Refuse(error, "XDG_RUNTIME_DIR is not an absolute path");
    }
    // The user's own runtime folder may be a link; its target is checked.
    if (stat(folder.c_str(), &st) != 0) {
      return Refuse(error, folder + ": " + std::strerror(errno));
    }
  } else {
    folder = "/tmp/blackjack-" + std::to_string(geteuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      return Refuse(error, folder + ": " + std::strerror(errno));
    }
    // In a shared folder, a link or a folder someone else made is refused.
    if (lstat(folder.c_str(), &st) != 0) {
      return Refuse(error, folder + ": " + std::strerror(errno));
    }
  }
  if (!S_ISDIR(st.st_mode)) {
    return Refuse(error, folder + " is not a folder");
  }
  if (st.st_uid != geteuid()) {
    return Refuse(error, folder + " belongs to another user");
  }
  if ((st.st_mode & 077) != 0) {
    return Refuse(error, folder + " is open to other users (mode " + Octal(st.st_mode) + ")");
  }
  return folder;
}

Role StartService(const std::string &profileDir, std::string *message) {
  StopService();
  if (profileDir.empty()) {
    return Role::Alone;
  }
  std::string why;
  const std::string folder = RuntimeFolder(&why);
  if (folder.empty()) {
    return Fail(message, why);
  }
  if (int e = MakePrivateFolders(profileDir)) {
    return Fail(message, profileDir + ": " + std::strerror(e));
  }
  std::unique_ptr<char, decltype(&free)> canonical(realpath(profileDir.c_str(), nullptr), free);
  if (canonical == nullptr) {
    return Fail(message, profileDir + ": " + std::strerror(errno));
  }
  const std::string base = folder + "/blackjack-" + ProfileKey(canonical.get());
  const std::string socketPath = base + ".sock";
  sockaddr_un unused{};
  if (!Address(socketPath, &unused)) {
    return Fail(message, "the socket path " + socketPath + " is too long");
  }
  // Starts on one profile go one at a time: each sees the socket of the one before.
  UniqueFd lock(open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!lock.Valid()) {
    return Fail(message, base + ".lock: " + std::strerror(errno));
  }
  while (flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) {
      return Fail(message, base + ".lock: " + std::strerror(errno));
    }
  }
  int error = 0;
  UniqueFd probe = Connect(socketPath, &error);
  Service &s = State();
  s.socketPath = socketPath;
  if (probe.Valid() || error == EAGAIN) {
    // Someone serves (a full queue means a busy server, not a dead one).
    if (probe.Valid() && !PeerIsThisUser(probe.Get())) {
      return Fail(message, socketPath + " is served by another user");
    }
    s.role = Role::Second;
    return s.role;
  }
  if (error == ECONNREFUSED) {
    unlink(socketPath.c_str()); // left by a process that died
  } else if (error != ENOENT) {
    return Fail(message, socketPath + ": " + std::strerror(error));
  }
  if (!Listen(socketPath, &why)) {
    return Fail(message, why);
  }
  s.role = Role::First;
  return s.role;
}


void StopService() {
  Service &s = State();
  if (s.role == Role::First) {
    struct stat st {};
    // Only our own socket: a later instance may have replaced it after a stall.
    if (stat(s.socketPath.c_str(), &st) == 0 && st.st_dev == s.socketDevice &&
        st.st_ino == s.socketInode) {
      unlink(s.socketPath.c_str());
    }
  }
  s.listener.Reset();
  s.remotes.Clear();
  s.socketPath.clear();
  s.role = Role::Alone;
}

int ServiceFd() { return State().role == Role::First ? State().listener.Get() : -1; }

bool ServeOne() {
  Service &s = State();
  if (s.role != Role::First) {
    return false;
  }
  UniqueFd client(accept4(s.listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!client.Valid()) {
    return false;
  }
  if (PeerIsThisUser(client.Get())) {
    Answer(client.Get());
  }
  return true;
}

HWND FindRemoteWindow(LPCWSTR className, LPCWSTR title) {
  if ((className != nullptr && IS_INTRESOURCE(className)) ||
      (title != nullptr && IS_INTRESOURCE(title))) {
    return nullptr; // an atom names a class of this process only
  }
  Request request;
  request.op = Op::FindWindow;
  if (className != nullptr) {
    request.className = className;
  }
  if (title != nullptr) {
    request.title = title;
  }
  Reply reply;
  if (!Ask(request, &reply) || reply.status != Status::Ok || !reply.window) {
    return nullptr;
  }
  Service &s = State();
  HWND proxy = nullptr;
  s.remotes.ForEach([&](std::uintptr_t handle, const RemoteWindow &w) {
    if (w.value == *reply.window) {
      proxy = reinterpret_cast<HWND>(handle);
    }
  });
  if (proxy == nullptr) {
    proxy = s.remotes.Add<HWND>(std::make_unique<RemoteWindow>(RemoteWindow{*reply.window}));
  }
  return proxy;
}

bool IsRemoteWindow(HWND hwnd) {
  return State().remotes.Contains(
      reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(hwnd) & ~std::uintptr_t{1}));
}

bool BringRemoteToFront(HWND hwnd) {
  const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
  const RemoteWindow *w = State().remotes.Find(reinterpret_cast<HWND>(value & ~std::uintptr_t{1}));
  if (w == nullptr) {
    return false;
  }
  Request request;
  request.op = Op::BringToFront;
  request.window = w->value | (value & 1); // the shell's low bit travels with it
  Reply reply;
  return Ask(request, &reply) && reply.status == Status::Ok;
}

} // namespace platform::instance
