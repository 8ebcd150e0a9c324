// The single-instance service across processes: fifty starts at once, a start
// after the first was killed, finding and raising the other process's window,
// clients that misbehave, and runtime folders that must be refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "host/instance.h"
#include "host/instance_protocol.h"
#include "host/testing.h"

namespace {

using namespace platform::instance;
using platform::test::ScopedEnv;
using platform::test::TempProfile;
using Clock = std::chrono::steady_clock;

// A private runtime folder and a profile for one test; the service is stopped
// when the test ends.
class Instances : public ::testing::Test {
protected:
  Instances() : env_("XDG_RUNTIME_DIR", runtime_.Dir().c_str()) {}
  ~Instances() override { StopService(); }

  TempProfile runtime_;
  ScopedEnv env_;
  TempProfile profile_;
};

// A probe process: its output is read line by line.
struct Probe {
  pid_t pid = -1;
  int out = -1;
  std::string pending;

  // The next line, or "" when none came before the deadline or the probe closed.
  std::string Line(Clock::time_point deadline) {
    for (;;) {
      const auto nl = pending.find('\n');
      if (nl != std::string::npos) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{out, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
        return "";
      }
      char buffer[256];
      const ssize_t n = read(out, buffer, sizeof buffer);
      if (n <= 0) {
        return "";
      }
      pending.append(buffer, static_cast<std::size_t>(n));
    }
  }
  void Kill() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      pid = -1;
    }
  }
  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ~Probe() {
    Kill();
    if (out >= 0) {
      close(out);
    }
  }
};

// Starts a probe on `profile` whose standard input is `goFd` (it starts when
// that closes), or empty input.
void Spawn(Probe &probe, const std::string &profile, int goFd = -1) {
  int out[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int in = goFd >= 0 ? goFd : open("/dev/null", O_RDONLY);
    dup2(in, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    execl(INSTANCE_PROBE, INSTANCE_PROBE, profile.c_str(), static_cast<char *>(nullptr));
    _exit(127);
  }
  close(out[1]);
  probe.pid = pid;
  probe.out = out[0];
}

// Generous: only a service that never answers, or a start that waits on
// something, comes near it.
constexpr auto Patience = std::chrono::seconds(60);

TEST_F(Instances, FiftyStartsAtOnceLeaveExactlyOneRunningAndAKillFreesTheProfile) {
  constexpr int Count = 50;
  int go[2];
  ASSERT_EQ(pipe2(go, O_CLOEXEC), 0);
  std::vector<Probe> probes(Count);
  for (Probe &p : probes) {
    Spawn(p, profile_.Dir(), go[0]);
  }
  close(go[0]);
  close(go[1]); // every probe starts now
  const auto deadline = Clock::now() + Patience;
  int first = -1;
  int seconds = 0;
  for (int i = 0; i < Count; ++i) {
    ASSERT_EQ(probes[i].Line(deadline), "starting") << "probe " << i;
    const std::string role = probes[i].Line(deadline);
    if (role == "first") {
      EXPECT_EQ(first, -1) << "two probes serve the same profile";
      first = i;
    } else {
      ASSERT_EQ(role, "second") << "probe " << i;
      ++seconds;
      EXPECT_EQ(probes[i].Wait(), 0);
    }
  }
  ASSERT_NE(first, -1) << "nobody serves the profile";
  EXPECT_EQ(seconds, Count - 1);

  // The serving one dies without cleaning up: its socket stays behind.
  probes[first].Kill();
  Probe next;
  Spawn(next, profile_.Dir());
  ASSERT_EQ(next.Line(Clock::now() + Patience), "starting");
  // From its start to its answer: within a second, however the old socket looks.
  EXPECT_EQ(next.Line(Clock::now() + std::chrono::seconds(1)), "first");
}

TEST_F(Instances, AnotherProcessFindsTheWindowAndBringsItToTheFront) {
  Probe server;
  Spawn(server, profile_.Dir());
  ASSERT_EQ(server.Line(Clock::now() + Patience), "starting");
  ASSERT_EQ(server.Line(Clock::now() + Patience), "first");
  ASSERT_EQ(StartService(profile_.Dir()), Role::Second);
  EXPECT_EQ(ServiceFd(), -1);

  EXPECT_EQ(FindRemoteWindow(u"BLACKJACK", u"Other"), nullptr);
  EXPECT_EQ(FindRemoteWindow(MAKEINTRESOURCEW(5), nullptr), nullptr);
  const HWND window = FindRemoteWindow(u"BLACKJACK", u"BlackJack");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindRemoteWindow(nullptr, u"BlackJack"), window) << "one proxy per remote window";
  EXPECT_TRUE(IsRemoteWindow(window));
  const HWND withLowBit =
      reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window) | ULONG_PTR{1});
  EXPECT_TRUE(IsRemoteWindow(withLowBit));
  ASSERT_TRUE(BringRemoteToFront(withLowBit));
  EXPECT_EQ(server.Line(Clock::now() + Patience), "front 0x1231") << "the low bit travels";
  ASSERT_TRUE(BringRemoteToFront(window));
  EXPECT_EQ(server.Line(Clock::now() + Patience), "front 0x1230");
  EXPECT_FALSE(BringRemoteToFront(reinterpret_cast<HWND>(ULONG_PTR{0x1230})))
      << "only proxies reach the other process";

  // When the other process is gone, asking it fails quietly.
  server.Kill();
  EXPECT_FALSE(BringRemoteToFront(window));
  EXPECT_EQ(FindRemoteWindow(u"BLACKJACK", u"BlackJack"), nullptr);
}

HWND FindHere(LPCWSTR className, LPCWSTR title) {
  const bool match = (className == nullptr || std::u16string(className) == u"BLACKJACK") &&
                     (title == nullptr || std::u16string(title) == u"BlackJack");
  return match ? reinterpret_cast<HWND>(ULONG_PTR{0x40}) : nullptr;
}
bool FrontHere(HWND) { return true; }

// A raw client: sends bytes, optionally closes its sending side, and reads the
// reply until the server closes.
std::string RawExchange(const std::string &socketPath, const std::vector<std::byte> &bytes,
                        bool finish) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    close(fd);
    return "no connection";
  }
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (!bytes.empty()) {
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  if (finish) {
    shutdown(fd, SHUT_WR);
  }
  std::vector<std::byte> reply;
  std::byte buffer[256];
  ssize_t n = 0;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
    reply.insert(reply.end(), buffer, buffer + n);
  }
  const int receiveError = errno;
  close(fd);
  if (n < 0 && receiveError == ECONNRESET) {
    return "reset"; // the server closed with our bytes still unread
  }
  if (n < 0) {
    return "timed out";
  }
  if (reply.empty()) {
    return "closed";
  }
  Reply r;
  std::string error;
  if (DecodeReply(reply, &r, &error) != Decoded::Complete) {
    return "bad reply: " + error;
  }
  static const char *const names[] = {"ok", "not found", "bad request"};
  return names[static_cast<int>(r.status)];
}

std::string SocketPath(const std::string &runtime) {
  for (const auto &entry : std::filesystem::directory_iterator(runtime)) {
    if (entry.path().extension() == ".sock") {
      return entry.path();
    }
  }
  return "";
}

TEST_F(Instances, ClientsThatMisbehaveAreCutOffAndServingGoesOn) {
  SetLocalWindowCalls({FindHere, FrontHere});
  ASSERT_EQ(StartService(profile_.Dir()), Role::First);
  const std::string socketPath = SocketPath(runtime_.Dir());
  ASSERT_FALSE(socketPath.empty());
  struct stat st {};
  ASSERT_EQ(stat(socketPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  std::vector<std::byte> oversized = EncodeRequest({Op::FindWindow, u"A", {}, 0});
  oversized[8] = std::byte{0xFF};
  oversized[9] = std::byte{0xFF};
  oversized[10] = std::byte{0xFF};
  oversized[11] = std::byte{0x7F};
  std::vector<std::byte> garbage(64, std::byte{'x'});
  std::vector<std::byte> twoMessages = EncodeRequest({Op::FindWindow, u"BLACKJACK", {}, 0});
  const auto again = twoMessages;
  twoMessages.insert(twoMessages.end(), again.begin(), again.end());
  std::vector<std::byte> truncated = EncodeRequest({Op::FindWindow, u"BLACKJACK", {}, 0});
  truncated.resize(truncated.size() - 3);
  std::vector<std::byte> huge(200000, std::byte{'B'});
  struct Case {
    const char *what;
    std::vector<std::byte> bytes;
    bool finish;
    const char *expected; // results allowed, separated by '|'
  };
  const Case cases[] = {
      {"a valid request", EncodeRequest({Op::FindWindow, u"BLACKJACK", u"BlackJack", 0}), false,
       "ok"},
      {"no such window", EncodeRequest({Op::FindWindow, u"OTHER", {}, 0}), false, "not found"},
      {"garbage", garbage, false, "bad request"},
      {"an oversized length", oversized, false, "bad request"},
      {"a flood of bytes", huge, false, "bad request|reset"},
      {"two messages at once", twoMessages, false, "bad request"},
      {"a message cut short, then silence", truncated, false, "closed"},
      {"a message cut short, then the end", truncated, true, "closed"},
      {"nothing at all", {}, true, "closed"},
      {"still serving", EncodeRequest({Op::FindWindow, {}, u"BlackJack", 0}), false, "ok"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string result;
    std::thread client([&] { result = RawExchange(socketPath, c.bytes, c.finish); });
    const auto deadline = Clock::now() + Patience;
    bool served = false;
    while (!served && Clock::now() < deadline) {
      pollfd p{ServiceFd(), POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        served = ServeOne();
      }
    }
    client.join();
    EXPECT_TRUE(served);
    EXPECT_NE(("|" + std::string(c.expected) + "|").find("|" + result + "|"), std::string::npos)
        << result;
  }
  EXPECT_FALSE(ServeOne()) << "nothing is waiting";
  StopService();
  EXPECT_NE(stat(socketPath.c_str(), &st), 0) << "a stopped service removes its socket";
}

TEST_F(Instances, WithoutAProfileOrARuntimeFolderTheGameRunsAlone) {
  EXPECT_EQ(StartService(""), Role::Alone);
  ASSERT_EQ(chmod(runtime_.Dir().c_str(), 0755), 0);
  std::string message;
  EXPECT_EQ(StartService(profile_.Dir(), &message), Role::Alone);
  EXPECT_NE(message.find("open to other users (mode 0755)"), std::string::npos) << message;
  EXPECT_EQ(ServiceFd(), -1);
  EXPECT_EQ(FindRemoteWindow(u"BLACKJACK", nullptr), nullptr);
}

TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsUsed) {
  TempProfile base;
  struct Case {
    const char *what;
    std::string path;
    unsigned mode;   // 0: leave as made
    uid_t owner;     // -1: this user
    const char *why; // "" when accepted
  };
  const uid_t me = geteuid();
  const std::string folder = base.Dir() + "/run";
  const Case cases[] = {
      {"private", folder, 0700, me, ""},
      {"readable by others", folder, 0755, me, "open to other users (mode 0755)"},
      {"enterable by the group", folder, 0710, me, "open to other users"},
      {"another user's", folder, 0700, me + 4242, "belongs to another user"},
      {"a relative path", "run", 0, me, "not an absolute path"},
      {"missing", base.Dir() + "/none", 0, me, "No such file"},
      {"a file", base.Dir() + "/file", 0, me, "is not a folder"},
  };
  std::ofstream(base.Dir() + "/file") << "x";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    if (c.mode != 0) {
      mkdir(folder.c_str(), 0700);
      ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);
      if (chown(folder.c_str(), c.owner, static_cast<gid_t>(-1)) != 0) {
        continue; // only root can give a folder away
      }
    }
    ScopedEnv env("XDG_RUNTIME_DIR", c.path.c_str());
    std::string error;
    const std::string got = RuntimeFolder(&error);
    if (*c.why == '\0') {
      EXPECT_EQ(got, c.path) << error;
    } else {
      EXPECT_EQ(got, "");
      EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
  }
  // Unset: a folder of this user under /tmp, private.
  ScopedEnv unset("XDG_RUNTIME_DIR", nullptr);
  std::string error;
  const std::string fallback = RuntimeFolder(&error);
  ASSERT_EQ(fallback, "/tmp/blackjack-" + std::to_string(me)) << error;
  struct stat st {};
  ASSERT_EQ(lstat(fallback.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

} // namespace
