// The single-instance service across processes: finding and raising the other process's
// window, a first that is closing or killed, clients that misbehave, and runtime folders that
// must be refused. Starts racing on one profile and a stopped first are the program's own test
// (tests/host/profile_e2e.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "instance/instance.h"
#include "instance/protocol.h"
#include "testing/testing.h"

namespace {

using namespace platform::instance;
using platform::test::ScopedEnv;
using platform::test::TempProfile;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::byte>;

// Generous: only a service that never answers, or a start that waits on
// something, comes near it.
constexpr auto Patience = std::chrono::seconds(60);

// A private runtime folder and a profile per test; the service stops at its end.
class Instances : public ::testing::Test {
protected:
  Instances() : env_("XDG_RUNTIME_DIR", runtime_.Dir().c_str()) {}
  ~Instances() override { StopService(); }

  TempProfile runtime_;
  ScopedEnv env_;
  TempProfile profile_;
};

// An instance_probe process on a profile, started at once; its output is read line by line.
struct Probe {
  pid_t pid = -1;
  int out = -1;
  std::string pending;

  explicit Probe(const std::string &profile) {
    int pipes[2];
    EXPECT_EQ(pipe2(pipes, O_CLOEXEC), 0);
    pid = fork();
    if (pid == 0) {
      dup2(pipes[1], STDOUT_FILENO);
      execl(INSTANCE_PROBE, INSTANCE_PROBE, profile.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(pipes[1]);
    out = pipes[0];
  }
  ~Probe() {
    Kill();
    if (out >= 0) {
      close(out);
    }
  }
  // The next line, or "" when none came before the deadline or the probe closed.
  std::string Line(Clock::time_point deadline = Clock::now() + Patience) {
    std::size_t nl = 0;
    while ((nl = pending.find('\n')) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{out, POLLIN, 0};
      char buffer[256];
      ssize_t n = 0;
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 ||
          (n = read(out, buffer, sizeof buffer)) <= 0) {
        return "";
      }
      pending.append(buffer, static_cast<std::size_t>(n));
    }
    std::string line = pending.substr(0, nl);
    pending.erase(0, nl + 1);
    return line;
  }
  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      Wait();
    }
  }
};

TEST_F(Instances, AnotherProcessFindsTheWindowAndBringsItToTheFront) {
  Probe server(profile_.Dir());
  ASSERT_EQ(server.Line(), "starting");
  ASSERT_EQ(server.Line(), "first");
  ASSERT_EQ(StartService(profile_.Dir()), Role::Second);
  EXPECT_EQ(ServiceFd(), -1);
  const HWND window = FindRemoteWindow(u"BLACKJACK", u"BlackJack");
  ASSERT_NE(window, nullptr);
  const HWND withLowBit =
      reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(window) | ULONG_PTR{1});
  EXPECT_TRUE(IsRemoteWindow(withLowBit));
  ASSERT_TRUE(BringRemoteToFront(withLowBit));
  EXPECT_EQ(server.Line(), "front 0x1231") << "the low bit travels";
  EXPECT_FALSE(BringRemoteToFront(reinterpret_cast<HWND>(ULONG_PTR{0x1230})))
      << "only proxies reach the other process";
  server.Kill();
  EXPECT_FALSE(BringRemoteToFront(window)) << "a gone process fails quietly";
  EXPECT_NE(ServiceFd(), -1) << "and this one holds the profile now";
  EXPECT_EQ(FindRemoteWindow(u"BLACKJACK", u"BlackJack"), nullptr);
}

// A first that has begun to close takes no hand-over: the next start waits for
// its lock and plays. Lock files nobody holds are removed.
TEST_F(Instances, AStartWaitsForAClosingFirstAndLockFilesDoNotPileUp) {
  const std::string unused = runtime_.Dir() + "/blackjack-0123456789abcdef.lock";
  std::ofstream(unused) << "";
  ASSERT_EQ(StartService(profile_.Dir()), Role::First);
  EXPECT_FALSE(std::filesystem::exists(unused)) << "an old lock nobody holds";
  StopServing();
  Probe next(profile_.Dir());
  ASSERT_EQ(next.Line(), "starting");
  ASSERT_EQ(next.Line(), "waiting");
  StopService();
  EXPECT_EQ(next.Line(), "first");
  next.Kill();
  ASSERT_EQ(StartService(profile_.Dir()), Role::First) << "a killed holder frees the profile";
  StopService();
  for (const std::string &folder : {runtime_.Dir(), profile_.Dir()}) {
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
      ADD_FAILURE() << entry.path() << " stays behind";
    }
  }
}

HWND FindHere(LPCWSTR className, LPCWSTR) {
  const bool match = className == nullptr || std::u16string(className) == u"BLACKJACK";
  return match ? reinterpret_cast<HWND>(ULONG_PTR{0x40}) : nullptr;
}
bool FrontHere(HWND) { return true; }

// A raw client: sends bytes, optionally closes its sending side, and names what
// came back before the server closed.
std::string RawExchange(const std::string &socketPath, const Bytes &bytes, bool finish) {
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
  send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  if (finish) {
    shutdown(fd, SHUT_WR);
  }
  Bytes reply;
  std::byte buffer[256];
  ssize_t n = 0;
  while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
    reply.insert(reply.end(), buffer, buffer + n);
  }
  const int receiveError = errno;
  close(fd);
  if (n < 0) {
    return receiveError == ECONNRESET ? "reset" : "timed out";
  }
  Reply r;
  std::string error;
  if (reply.empty() || DecodeReply(reply, &r, &error) != Decoded::Complete) {
    return reply.empty() ? "closed" : "bad reply: " + error;
  }
  static const char *const names[] = {"ok", "not found", "bad request"};
  return names[static_cast<int>(r.status)];
}

TEST_F(Instances, MalformedAndOversizedMessagesAreRefusedAndServingGoesOn) {
  SetLocalWindowCalls({FindHere, FrontHere});
  ASSERT_EQ(StartService(profile_.Dir()), Role::First);
  std::string socketPath;
  for (const auto &entry : std::filesystem::directory_iterator(runtime_.Dir())) {
    socketPath = entry.path().extension() == ".sock" ? entry.path().string() : socketPath;
  }
  struct stat st {};
  ASSERT_EQ(stat(socketPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const Bytes find = EncodeRequest({Op::FindWindow, u"BLACKJACK", {}, 0});
  Bytes oversized = find;
  oversized[11] = std::byte{0x7F}; // a length near 2 GiB
  Bytes twoMessages = find;
  twoMessages.insert(twoMessages.end(), find.begin(), find.end());
  const Bytes truncated(find.begin(), find.end() - 3);
  struct Case {
    const char *what;
    Bytes bytes;
    bool finish;
    const char *expected; // results allowed, separated by '|'
  };
  const Case cases[] = {
      {"a valid request", find, false, "ok"},
      {"no such window", EncodeRequest({Op::FindWindow, u"OTHER", {}, 0}), false, "not found"},
      {"garbage", Bytes(64, std::byte{'x'}), false, "bad request"},
      {"an oversized length", oversized, false, "bad request"},
      {"a flood of bytes", Bytes(200000, std::byte{'B'}), false, "bad request|reset"},
      {"two messages at once", twoMessages, false, "bad request"},
      {"a message cut short, then silence", truncated, false, "closed"},
      {"a message cut short, then the end", truncated, true, "closed"},
      {"still serving", find, false, "ok"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::string result;
    std::thread client([&] { result = RawExchange(socketPath, c.bytes, c.finish); });
    const auto deadline = Clock::now() + Patience;
    bool served = false;
    while (!served && Clock::now() < deadline) {
      pollfd p{ServiceFd(), POLLIN, 0};
      served = poll(&p, 1, 100) > 0 && ServeOne();
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

TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsUsed) {
  TempProfile base;
  struct Case {
    const char *what;
    std::string path;
    unsigned mode; // 0: leave as made
    uid_t owner;
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
    EXPECT_EQ(RuntimeFolder(&error), *c.why == '\0' ? c.path : "") << error;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
  ScopedEnv unset("XDG_RUNTIME_DIR", nullptr);
  std::string error;
  const std::string fallback = RuntimeFolder(&error);
  ASSERT_EQ(fallback, "/tmp/blackjack-" + std::to_string(me)) << error;
  struct stat st {};
  ASSERT_EQ(lstat(fallback.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // With a refused runtime folder the profile is still held, without hand-over;
  // with no profile the game runs alone.
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  ScopedEnv refused("XDG_RUNTIME_DIR", folder.c_str());
  TempProfile profile;
  EXPECT_EQ(StartService(profile.Dir(), &error), Role::First);
  EXPECT_NE(error.find(folder), std::string::npos) << error;
  EXPECT_EQ(ServiceFd(), -1);
  Probe second(profile.Dir());
  EXPECT_EQ(second.Line(), "starting");
  EXPECT_EQ(second.Line(), "waiting");
  EXPECT_EQ(second.Line(), "second") << "no second game on the profile";
  EXPECT_EQ(StartService(""), Role::Alone);
  EXPECT_EQ(FindRemoteWindow(u"BLACKJACK", nullptr), nullptr);
}

} // namespace
