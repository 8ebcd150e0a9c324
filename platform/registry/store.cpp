// The hive file: change-detecting loads and crash-safe saves under a lock.
#include "registry/store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "common/posix_file.h"
#include "registry/hive_files.h"

namespace platform::registry {
namespace {

using Fd = UniqueFd;

constexpr const char *LockSuffix = ".lock";
constexpr const char *TempInfix = ".tmp-";
constexpr const char *DamagedInfix = ".damaged-";
constexpr int MaxDamagedCopies = 1000;

FileIdentity IdentityOf(const struct stat &st) {
  FileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  id.changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return id;
}

// Removes new files left by a writer that died before its rename. Called with
// the lock held, so no live writer owns one.
void RemoveStaleTemps(const std::string &folder) {
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  const std::string prefix = std::string(HiveFileName) + TempInfix;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.starts_with(prefix)) {
      unlink((folder + '/').append(name).c_str());
    }
  }
  closedir(dir);
}

// Copies `from` to a new file `to` (O_EXCL) and flushes it: for folders whose
// file system has no hard links.
int CopyNew(const std::string &from, const std::string &to) {
  Fd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) {
    return errno;
  }
  Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!out.Valid()) {
    return errno;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(in.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      break;
    }
    if (int e = WriteAll(out.Get(), buffer, static_cast<std::size_t>(n))) {
      unlink(to.c_str());
      return e;
    }
  }
  return fsync(out.Get()) == 0 ? 0 : errno;
}

// Keeps the damaged hive under the first free name registry.reg.damaged-N: a hard
// link, or a copy where links are not supported; nothing is overwritten.
int KeepDamaged(HiveFiles &files, const std::string &path) {
  for (int n = 1; n <= MaxDamagedCopies; ++n) {
    const std::string copy = path + DamagedInfix + std::to_string(n);
    int error = files.Link(path, copy);
    if (error == EPERM || error == EOPNOTSUPP || error == EMLINK) {
      error = CopyNew(path, copy);
    }
    if (error == 0) {
      std::fprintf(stderr, "registry: the damaged hive was kept as %s\n", copy.c_str());
      return 0;
    }
    if (error == ENOENT) {
      return 0; // the damaged file is gone already: nothing to keep
    }
    if (error != EEXIST) {
      return error;
    }
  }
  return EEXIST;
}

} // namespace

LONG Win32Error(int error) {
  switch (error) {
  case 0:
    return ERROR_SUCCESS;
  case ENOSPC:
  case EDQUOT:
    return ERROR_DISK_FULL;
  case EACCES:
  case EPERM:
  case EROFS:
    return ERROR_ACCESS_DENIED;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  default:
    return ERROR_CANTWRITE;
  }
}

namespace {

// A failed step of a save; `file` names the file at fault when it is not the hive.
StoreFailure Failure(int error, const std::string &file) {
  const std::string text = FileErrorText(error);
  return StoreFailure{Win32Error(error), file.empty() ? text : file + ": " + text};
}

} // namespace

HiveStore::HiveStore(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') {
    folder_.pop_back();
  }
  if (!folder_.empty()) {
    CurrentHiveFiles().Start(folder_, HivePath());
  }
}

std::string HiveStore::HivePath() const {
  return folder_.empty() ? std::string() : folder_ + "/" + HiveFileName;
}

LONG HiveStore::Refresh() {
  if (folder_.empty()) {
    return ERROR_SUCCESS;
  }
  struct stat st {};
  if (stat(HivePath().c_str(), &st) != 0) {
    if (errno == ENOENT && !loaded_.exists && !loadFailure_.Failed()) {
      return ERROR_SUCCESS;
    }
  } else if (IdentityOf(st) == loaded_ && !loadFailure_.Failed()) {
    return ERROR_SUCCESS;
  }
  return Load();
}

void HiveStore::ApplyWaiting() {
  hive_ = base_;
  for (const Edit &edit : waiting_) {
    bool changed = false;
    edit(hive_, &changed);
  }
}

LONG HiveStore::Load() {
  const std::string path = HivePath();
  int error = 0;
  Fd fd = OpenRegularFile(path, &error);
  std::string bytes;
  struct stat st {};
  if (fd.Valid() && fstat(fd.Get(), &st) != 0) {
    error = errno;
  }
  if (error == 0 && static_cast<std::size_t>(st.st_size) <= MaxHiveFileBytes) {
    error = ReadAll(fd.Get(), MaxHiveFileBytes, &bytes);
  }
  if (error == ENOENT) {
    // No file: an empty hive (it was removed, or this profile is new).
    base_ = Hive();
    loaded_ = FileIdentity{};
    damaged_ = false;
    loadFailure_ = StoreFailure{};
    ApplyWaiting();
    return ERROR_SUCCESS;
  }
  if (error != 0 && error != EFBIG) {
    const LONG code = error == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
    loadFailure_ = StoreFailure{code, "it cannot be read: " + FileErrorText(error)};
    if (loadFailure_.reason != reportedLoad_) {
      reportedLoad_ = loadFailure_.reason;
      std::fprintf(stderr, "registry: %s is not used, %s\n", path.c_str(),
                   loadFailure_.reason.c_str());
    }
    return code;
  }
  ParseResult parsed;
  if (error == EFBIG || static_cast<std::size_t>(st.st_size) > MaxHiveFileBytes) {
    parsed.problems.emplace_back("the file is larger than " + std::to_string(MaxHiveFileBytes) +
                                 " bytes");
  } else {
    parsed = ParseHive(bytes);
  }
  for (const std::string &problem : parsed.problems) {
    std::fprintf(stderr, "%s %s (skipped)\n", path.c_str(), problem.c_str());
  }
  base_ = std::move(parsed.hive);
  loaded_ = IdentityOf(st);
  damaged_ = !parsed.problems.empty();
  loadFailure_ = StoreFailure{};
  reportedLoad_.clear();
  ApplyWaiting();
  return ERROR_SUCCESS;
}

LONG HiveStore::Update(Edit edit) {
  Hive copy = hive_;
  bool changed = false;
  if (const LONG result = edit(copy, &changed); result != ERROR_SUCCESS || !changed) {
    return result;
  }
  hive_ = std::move(copy);
  if (folder_.empty()) {
    base_ = hive_;
  } else {
    waiting_.push_back(std::move(edit));
    retry_ = true;
  }
  return ERROR_SUCCESS;
}

LONG HiveStore::Flush() {
  if (waiting_.empty()) {
    return ERROR_SUCCESS;
  }
  retry_ = false;
  lastFailure_ = SaveWaiting();
  return lastFailure_.code;
}

StoreFailure HiveStore::SaveWaiting() {
  HiveFiles &files = CurrentHiveFiles();
  if (int e = files.MakeFolders(folder_)) {
    return Failure(e, folder_);
  }
  const std::string lockPath = HivePath() + LockSuffix;
  int error = 0;
  Fd lock = files.OpenLock(lockPath, &error);
  while (error == 0 && flock(lock.Get(), LOCK_EX) != 0) {
    error = errno == EINTR ? 0 : errno;
  }
  if (error != 0) {
    return Failure(error, lockPath);
  }
  // Another process may have saved since our last look: the changes go on top.
  if (Refresh() != ERROR_SUCCESS) {
    return loadFailure_;
  }
  StoreFailure failure = Save(hive_);
  if (!failure.Failed()) {
    base_ = hive_;
    waiting_.clear();
  }
  return failure; // the lock goes with its descriptor
}

StoreFailure HiveStore::Save(const Hive &hive) {
  const std::string text = SerializeHive(hive);
  if (text.size() > MaxHiveFileBytes) {
    return StoreFailure{ERROR_CANTWRITE, "the settings would be larger than " +
                                             std::to_string(MaxHiveFileBytes) + " bytes"};
  }
  RemoveStaleTemps(folder_);
  const std::string path = HivePath();
  // The new file keeps the mode of the one it replaces (a file made read-only stays so).
  struct stat old {};
  const mode_t mode =
      stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : 0600;
  HiveFiles &files = CurrentHiveFiles();
  std::string temp;
  int error = 0;
  Fd fd = files.CreateTemp(path, &temp, &error);
  if (error != 0) {
    return Failure(error, "");
  }
  error = files.Write(fd.Get(), text);
  if (error == 0 && fchmod(fd.Get(), mode) != 0) {
    error = errno;
  }
  if (error == 0) {
    error = files.FlushFile(fd.Get());
  }
  if (error == 0 && damaged_) {
    error = KeepDamaged(files, path);
  }
  if (error == 0) {
    error = files.Commit(path, text);
  }
  if (error == 0) {
    error = files.Rename(temp, path);
  }
  if (error != 0) {
    unlink(temp.c_str());
    return Failure(error, "");
  }
  damaged_ = false;
  // The new hive is in place; until the folder is flushed a power cut may still
  // bring back the old one, so the changes wait to be saved again, and the next
  // look reloads whatever the file holds.
  struct stat st {};
  error = files.FlushFolder(folder_);
  loaded_ = error == 0 && stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{true};
  return error == 0 ? StoreFailure{} : Failure(error, "");
}

} // namespace platform::registry
