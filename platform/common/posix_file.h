// Small POSIX helpers shared by the layer's files and sockets: an owning file
// descriptor, private folder creation, reading only regular files, whole writes,
// and new files made beside the one they replace.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace platform {

// Closes its descriptor when it goes.
class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd &&other) noexcept : fd_(other.Release()) {}
  UniqueFd &operator=(UniqueFd &&other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }
  UniqueFd(const UniqueFd &) = delete;
  UniqueFd &operator=(const UniqueFd &) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) {
      close(fd_);
    }
    fd_ = fd;
  }

private:
  int fd_;
};

// Creates `folder` and its missing parents, each with mode 0700 (the umask may
// only narrow it). Returns 0, or the errno of the failure (ENOTDIR when the
// path names something else).
inline int MakePrivateFolders(const std::string &folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) {
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  }
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    const std::string prefix = folder.substr(0, pos);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      return errno;
    }
  }
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// The error OpenRegularFile gives for a FIFO, a device or a socket: errno values
// are positive, so it cannot be mistaken for one.
inline constexpr int NotRegularFile = -1;

// What a file error of these helpers means, as a phrase for a one-line message.
inline std::string FileErrorText(int error) {
  if (error == NotRegularFile) {
    return "not a regular file";
  }
  return error == EISDIR ? "it is a folder" : std::strerror(error);
}

// Opens `path` for reading only when it is a regular file. A FIFO or a device is
// opened without blocking and refused (NotRegularFile), so that one planted in
// place of a file cannot hang the program; a folder is refused with EISDIR.
// Invalid on failure, with the error in *error.
inline UniqueFd OpenRegularFile(const std::string &path, int *error) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
    *error = errno;
    return UniqueFd();
  }
  if (!S_ISREG(st.st_mode)) {
    *error = S_ISDIR(st.st_mode) ? EISDIR : NotRegularFile;
    return UniqueFd();
  }
  *error = 0;
  return fd;
}

// Opens a lock file for flock, making it (mode 0600) when missing: never through a
// link, never blocking on a FIFO, and only a regular file (else NotRegularFile).
// An existing one is opened without O_CREAT, which a read-only file system
// refuses even for a file that exists.
inline UniqueFd OpenLockFile(const std::string &path, int *error) {
  constexpr int Flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  UniqueFd fd(open(path.c_str(), Flags));
  if (!fd.Valid() && errno == ENOENT) {
    fd.Reset(open(path.c_str(), Flags | O_CREAT, 0600));
  }
  struct stat st {};
  if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
    *error = errno;
    return UniqueFd();
  }
  *error = S_ISREG(st.st_mode) ? 0 : NotRegularFile;
  return *error == 0 ? std::move(fd) : UniqueFd();
}

// Reads `fd` to its end, retrying interrupted reads. Returns 0, EFBIG when there
// are more than `limit` bytes, or the errno of the failed read.
inline int ReadAll(int fd, std::size_t limit, std::string *bytes) {
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      return 0;
    }
    if (bytes->size() + static_cast<std::size_t>(n) > limit) {
      return EFBIG;
    }
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
}

// Writes all `size` bytes of `data` to `fd`, retrying short and interrupted
// writes. Returns 0, or the errno of the failed write (EIO when nothing went out).
inline int WriteAll(int fd, const void *data, std::size_t size) {
  const auto *bytes = static_cast<const char *>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return n < 0 ? errno : EIO;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Creates the file that will replace `target`, in the target's folder so that a
// rename can put it in place: `<target>.tmp-PID-N`, exclusively (never through a
// link, never an existing file, so nothing planted there is written to) with
// `mode` before the umask. Invalid on failure, with the errno in *error.
inline UniqueFd CreateTempBeside(const std::string &target, mode_t mode, std::string *tempPath,
                                 int *error) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tempPath = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    UniqueFd fd(
        open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (fd.Valid() || errno != EEXIST) {
      *error = fd.Valid() ? 0 : errno;
      return fd;
    }
  }
  *error = EEXIST;
  return UniqueFd();
}

} // namespace platform
