// The service's Unix-domain sockets: addresses, the peer's credentials,
// non-blocking connects, and whole messages sent and received by a deadline.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "common/posix_file.h"
#include "instance/protocol.h"

namespace platform::instance {

using Clock = std::chrono::steady_clock;

// The address of the socket at `path`; false when the path is too long for one.
bool Address(const std::string &path, sockaddr_un *address);
// The process at the other end (uid -1 when it cannot be told).
ucred Peer(int fd);
bool PeerIsThisUser(int fd);
// A non-blocking connect: on a Unix socket it completes at once, or fails with
// EAGAIN when the server's queue is full, ECONNREFUSED when nobody listens on
// the socket (a process died), ENOENT when there is no socket.
UniqueFd Connect(const std::string &path, int *error);
// Milliseconds until `deadline`, 0 once it has passed.
int RemainingMs(Clock::time_point deadline);
// Waits for `events` on `fd` until `deadline`; false when they did not come.
bool WaitFor(int fd, short events, Clock::time_point deadline);
bool SendAll(int fd, const std::vector<std::byte> &bytes, Clock::time_point deadline);

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

} // namespace platform::instance
