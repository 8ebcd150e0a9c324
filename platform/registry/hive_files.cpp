// The hive's file operations on the profile folder's own files, and the back end in use.
#include "registry/hive_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform::registry {
namespace {

HiveFiles *installed = nullptr;

} // namespace

void HiveFiles::Start(const std::string &, const std::string &) {}

int HiveFiles::MakeFolders(const std::string &folder) { return MakePrivateFolders(folder); }

UniqueFd HiveFiles::OpenLock(const std::string &path, int *error) {
  return OpenLockFile(path, error);
}

UniqueFd HiveFiles::CreateTemp(const std::string &hivePath, std::string *tempPath, int *error) {
  return CreateTempBeside(hivePath, 0600, tempPath, error);
}

int HiveFiles::Write(int fd, const std::string &bytes) {
  return WriteAll(fd, bytes.data(), bytes.size());
}

int HiveFiles::FlushFile(int fd) { return fsync(fd) == 0 ? 0 : errno; }

int HiveFiles::Link(const std::string &from, const std::string &to) {
  return link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int HiveFiles::Commit(const std::string &, const std::string &) { return 0; }

int HiveFiles::Rename(const std::string &from, const std::string &to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int HiveFiles::FlushFolder(const std::string &folder) {
  UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) {
    return errno;
  }
  return fsync(dir.Get()) == 0 ? 0 : errno;
}

HiveFiles &CurrentHiveFiles() { return installed != nullptr ? *installed : BuildHiveFiles(); }

void InstallHiveFiles(HiveFiles *files) { installed = files; }

} // namespace platform::registry
