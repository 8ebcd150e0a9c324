// The service's files outside the profile: the private runtime folder and the lock
// files in it, and whether a lock still holds the file it names.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/posix_file.h"
#include "instance/instance.h"
#include "instance/lock_files.h"

namespace platform::instance {
namespace {

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

} // namespace

bool IsLockedFile(int fd, const std::string &path) {
  struct stat held {};
  struct stat named {};
  return fd >= 0 && fstat(fd, &held) == 0 && held.st_nlink > 0 && stat(path.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void RemoveUnusedLocks(const std::string &folder) {
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    constexpr std::size_t KeyLength = 16;
    if (name.size() != std::strlen("blackjack-") + KeyLength + std::strlen(".lock") ||
        !name.starts_with("blackjack-") || !name.ends_with(".lock")) {
      continue;
    }
    const std::string path = (folder + "/").append(name);
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Valid() && flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 && IsLockedFile(fd.Get(), path)) {
      unlink(path.c_str());
    }
  }
  closedir(dir);
}

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

} // namespace platform::instance
