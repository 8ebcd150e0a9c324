// The service's Unix-domain sockets: addresses, peers, connects, whole messages.
#include "instance/socket.h"

#include <poll.h>
#include <unistd.h>

#include <cstring>

namespace platform::instance {

bool Address(const std::string &path, sockaddr_un *address) {
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) {
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

ucred Peer(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
    peer.uid = static_cast<uid_t>(-1);
  }
  return peer;
}

bool PeerIsThisUser(int fd) { return Peer(fd).uid == geteuid(); }

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

} // namespace platform::instance
