// The single-instance service: the profile's lock, the socket, the start protocol,
// and serving and asking across processes.
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
#include "device/events.h"
#include "instance/lock_files.h"
#include "instance/protocol.h"
#include "instance/socket.h"

namespace platform::instance {
namespace {

// How long the serving GUI thread gives a client to send its request and take
// the reply; a client gives the server longer, as it may be busy painting.
constexpr std::chrono::milliseconds ServerDeadline{250};
constexpr std::chrono::milliseconds ClientDeadline{1000};
// How often a waiting start looks again at a holder that takes no hand-over.
constexpr std::chrono::milliseconds LookAgain{10};
constexpr const char *ProfileLockName = "instance.lock";

struct RemoteWindow {
  std::uint64_t value = 0; // the window's handle in the serving process; 0: unknown
};

struct Service {
  Role role = Role::Alone;
  std::string profile;
  std::string socketPath; // empty when there is no hand-over
  std::string noSocket;   // why, then
  std::string lockPath;
  UniqueFd lock; // open on the lock file; locked while First
  UniqueFd listener;
  dev_t socketDevice = 0;
  ino_t socketInode = 0;
  bool unanswered = false; // Second: the holder did not answer
  pid_t holder = 0;        // Second: the holder's process, once seen
  HandleTable<RemoteWindow> remotes{0x7E000000};
};

void (*waitNotice)() = nullptr;

Service &State() {
  static Service service;
  return service;
}

LocalWindowCalls &Calls() {
  static LocalWindowCalls calls;
  return calls;
}

// Answers the starts waiting on the service, a bounded number at a time so that a
// flood of them cannot starve the program: part of the message loop's idle work.
void ServeWaitingStarts() {
  const int fd = ServiceFd();
  if (fd < 0) {
    return;
  }
  pollfd waiting{fd, POLLIN, 0};
  for (int served = 0; served < 16 && poll(&waiting, 1, 0) > 0 && ServeOne(); ++served) {
  }
}

// The program is closing: a start from now on waits for it to end and plays,
// rather than being handed over to a program that will not answer.
class ClosingListener : public DeviceListener {
public:
  void QuitPosted() override { StopServing(); }
};

const bool registered = [] {
  RegisterResetHook(StopService);
  RegisterIdleHook(ServeWaitingStarts);
  static ClosingListener closing;
  AddDeviceListener(&closing);
  return true;
}();

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

Role Fail(std::string *message, const std::string &why) {
  if (message != nullptr) {
    *message = "single instance: " + why + "; running without it";
  }
  return Role::Alone;
}

// With the profile's lock held: serve the profile from a new socket at `path`.
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

enum class Lock { Taken, Held, Failed };

Lock TryLock(Service &s) {
  for (;;) {
    if (flock(s.lock.Get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno == EWOULDBLOCK ? Lock::Held : Lock::Failed;
    }
    if (IsLockedFile(s.lock.Get(), s.lockPath)) {
      return Lock::Taken;
    }
    int error = 0;
    s.lock = OpenLockFile(s.lockPath, &error); // the old one's lock goes with it
    if (!s.lock.Valid()) {
      return Lock::Failed;
    }
  }
}

// With the lock just taken: this process plays, and serves later starts.
Role BecomeHolder(Service &s) {
  s.role = Role::First;
  s.unanswered = false;
  if (!s.socketPath.empty()) {
    unlink(s.socketPath.c_str()); // a socket here now is one whose holder died
    if (!Listen(s.socketPath, &s.noSocket)) {
      s.socketPath.clear();
    }
  }
  return s.role;
}

// Takes the profile's lock, or finds the process that holds it serving. A holder
// without a socket is closing (or has just started): it is looked at again until
// `deadline`, after which it is taken as not answering.
Role Acquire(Service &s, Clock::time_point deadline) {
  bool noticed = false;
  for (;;) {
    const Lock lock = TryLock(s);
    if (lock == Lock::Taken) {
      return BecomeHolder(s);
    }
    s.role = Role::Second;
    if (lock == Lock::Held && !s.socketPath.empty()) {
      int error = 0;
      UniqueFd probe = Connect(s.socketPath, &error);
      if (probe.Valid() || error == EAGAIN) {
        // Someone serves (a full queue means a busy server, not a dead one).
        s.holder = probe.Valid() ? Peer(probe.Get()).pid : 0;
        s.unanswered = probe.Valid() && !PeerIsThisUser(probe.Get());
        return s.role;
      }
    }
    if (lock == Lock::Failed || Clock::now() >= deadline) {
      s.unanswered = true;
      return s.role;
    }
    if (!noticed && waitNotice != nullptr) {
      noticed = true;
      waitNotice();
    }
    std::this_thread::sleep_for(LookAgain);
  }
}

enum class Asked { Answered, NowHolder, Unanswered, NotAsked };

// One request to the process that holds the profile, and its reply. A holder
// that closed before answering is waited for: this process may then hold the
// profile itself, or ask the one that does.
Asked Ask(const Request &request, Reply *reply) {
  Service &s = State();
  const std::vector<std::byte> message = EncodeRequest(request);
  if (s.role != Role::Second || message.empty()) {
    return Asked::NotAsked;
  }
  const auto patience = Clock::now() + std::chrono::milliseconds(HolderPatienceMs);
  while (!s.unanswered) {
    const auto deadline = Clock::now() + ClientDeadline;
    int error = ENOENT;
    UniqueFd fd = s.socketPath.empty() ? UniqueFd() : Connect(s.socketPath, &error);
    while (!fd.Valid() && error == EAGAIN && RemainingMs(deadline) > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the server's queue is full
      fd = Connect(s.socketPath, &error);
    }
    if (fd.Valid()) {
      const ucred peer = Peer(fd.Get());
      s.holder = peer.pid;
      std::string why;
      const Decoded got = peer.uid != geteuid() || !SendAll(fd.Get(), message, deadline)
                              ? Decoded::NeedMore
                              : Receive(fd.Get(), deadline, DecodeReply, reply, &why);
      if (got == Decoded::Complete) {
        return Asked::Answered;
      }
      // A connection cut before the deadline is a holder that began to close;
      // silence until the deadline, or nonsense, is one that does not answer.
      if (got == Decoded::Bad || peer.uid != geteuid() || RemainingMs(deadline) == 0) {
        s.unanswered = true;
        break;
      }
    } else if (error == EAGAIN) {
      s.unanswered = true;
      break;
    }
    if (Acquire(s, patience) == Role::First) {
      return Asked::NowHolder;
    }
  }
  return Asked::Unanswered;
}

// The window of a holder that did not answer: the start ends as if it had
// answered, and the player is told why nothing came forward.
HWND UnansweredWindow() {
  Service &s = State();
  const std::string who =
      s.holder > 0 ? " (process " + std::to_string(s.holder) + ")" : std::string();
  const std::string why = s.socketPath.empty() && !s.noSocket.empty()
                              ? "cannot be reached: " + s.noSocket
                              : "did not answer";
  std::fprintf(stderr,
               "single instance: the program already running on %s%s %s; it was not brought "
               "to the front, and this start ends\n",
               s.profile.c_str(), who.c_str(), why.c_str());
  return s.remotes.Add<HWND>(std::make_unique<RemoteWindow>(RemoteWindow{0}));
}

} // namespace

void SetLocalWindowCalls(const LocalWindowCalls &calls) { Calls() = calls; }
void SetWaitNotice(void (*notice)()) { waitNotice = notice; }

Role StartService(const std::string &profileDir, std::string *message) {
  StopService();
  if (profileDir.empty()) {
    return Role::Alone;
  }
  if (int e = MakePrivateFolders(profileDir)) {
    return Fail(message, profileDir + ": " + std::strerror(e));
  }
  std::unique_ptr<char, decltype(&free)> canonical(realpath(profileDir.c_str(), nullptr), free);
  if (canonical == nullptr) {
    return Fail(message, profileDir + ": " + std::strerror(errno));
  }
  Service &s = State();
  s.profile = canonical.get();
  std::string why;
  const std::string folder = RuntimeFolder(&why);
  const std::string base = folder + "/blackjack-" + ProfileKey(s.profile);
  sockaddr_un unused{};
  if (folder.empty()) {
    s.noSocket = why;
  } else if (!Address(base + ".sock", &unused)) {
    s.noSocket = "the socket path " + base + ".sock is too long";
  } else {
    s.socketPath = base + ".sock";
  }
  if (!folder.empty()) {
    RemoveUnusedLocks(folder);
  }
  // The profile folder is shared by every start on the profile; the runtime
  // folder only by those with the same environment.
  int error = 0;
  const std::string inProfile = s.profile + "/" + ProfileLockName;
  s.lock = OpenLockFile(inProfile, &error);
  s.lockPath = inProfile;
  if (!s.lock.Valid() && !folder.empty()) {
    s.lock = OpenLockFile(base + ".lock", &error);
    s.lockPath = base + ".lock";
  }
  if (!s.lock.Valid()) {
    const std::string reason = inProfile + ": " + FileErrorText(error);
    StopService();
    return Fail(message, "cannot lock " + reason);
  }
  const Role role = Acquire(s, Clock::now() + std::chrono::milliseconds(HolderPatienceMs));
  if (role == Role::First && !s.listener.Valid() && message != nullptr) {
    *message = "single instance: " + s.noSocket + "; a later start cannot bring this game forward";
  }
  return role;
}

void StopServing() {
  Service &s = State();
  if (s.role == Role::First && s.listener.Valid()) {
    struct stat st {};
    // Only our own socket: a later instance may have replaced it after a stall.
    if (stat(s.socketPath.c_str(), &st) == 0 && st.st_dev == s.socketDevice &&
        st.st_ino == s.socketInode) {
      unlink(s.socketPath.c_str());
    }
  }
  s.listener.Reset();
}

void StopService() {
  StopServing();
  Service &s = State();
  if (s.role == Role::First && IsLockedFile(s.lock.Get(), s.lockPath)) {
    // Removed while held: a start that opened it meanwhile finds it gone once it
    // has the lock, and opens the new one.
    unlink(s.lockPath.c_str());
  }
  s.role = Role::Alone;
  s.profile.clear();
  s.socketPath.clear();
  s.noSocket.clear();
  s.lockPath.clear();
  s.lock.Reset();
  s.unanswered = false;
  s.holder = 0;
  s.remotes.Clear();
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
  switch (Ask(request, &reply)) {
  case Asked::NotAsked:
  case Asked::NowHolder:
    return nullptr;
  case Asked::Unanswered:
    return UnansweredWindow();
  case Asked::Answered:
    break;
  }
  if (reply.status == Status::NotFound) {
    return nullptr;
  }
  if (reply.status != Status::Ok || !reply.window || *reply.window == 0) {
    State().unanswered = true; // a holder that speaks another protocol
    return UnansweredWindow();
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
  if (w == nullptr || w->value == 0 || State().unanswered) {
    return false;
  }
  Request request;
  request.op = Op::BringToFront;
  request.window = w->value | (value & 1); // the shell's low bit travels with it
  Reply reply;
  return Ask(request, &reply) == Asked::Answered && reply.status == Status::Ok;
}

} // namespace platform::instance
