// Small POSIX helpers shared by the layer's files and sockets: an owning file
// descriptor and private folder creation.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

} // namespace platform
