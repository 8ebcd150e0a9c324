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
#ifdef __EMSCRIPTEN__
#include "registry/browser_storage.h"
#endif

namespace platform::registry {
namespace {

using Fd = UniqueFd;

constexpr const char *LockSuffix = ".lock";
constexpr const char *TempInfix = ".tmp-";
constexpr const char *DamagedInfix = ".damaged-";
constexpr int MaxDamagedCopies = 1000;

struct Fault {
  SaveStep step = SaveStep::None;
  int error = 0;
};
Fault injected;

// The error to fail `step` with, or 0.
int InjectedError(SaveStep step) { return injected.step == step ? injected.error : 0; }

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

int MakeFolders(const std::string &folder) {
  if (int e = InjectedError(SaveStep::MakeFolder)) {
    return e;
  }
  return MakePrivateFolders(folder);
}

// Writes all of `data`, retrying short writes; `injectable` writes are the
// hive's own, which a test may make fail half-way.
int WriteAll(int fd, const std::string &data, bool injectable) {
  std::size_t done = 0;
  std::size_t limit = data.size();
  const int fault = injectable ? InjectedError(SaveStep::Write) : 0;
  if (fault != 0) {
    limit = data.size() / 2;
  }
  while (done < limit) {
    const ssize_t n = write(fd, data.data() + done, limit - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return n < 0 ? errno : EIO;
    }
    done += static_cast<std::size_t>(n);
  }
  return fault;
}

int FlushFolder(const std::string &folder) {
  if (int e = InjectedError(SaveStep::FlushFolder)) {
    return e;
  }
  Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) {
    return errno;
  }
  return fsync(dir.Get()) == 0 ? 0 : errno;
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
    if (int e = WriteAll(out.Get(), std::string(buffer, static_cast<std::size_t>(n)), false)) {
      unlink(to.c_str());
      return e;
    }
  }
  return fsync(out.Get()) == 0 ? 0 : errno;
}

// Keeps the damaged hive under the first free name registry.reg.damaged-N: a hard
// link, or a copy where links are not supported; nothing is overwritten.
int KeepDamaged(const std::string &path) {
  if (int e = InjectedError(SaveStep::KeepDamaged)) {
    return e;
  }
  for (int n = 1; n <= MaxDamagedCopies; ++n) {
    const std::string copy = path + DamagedInfix + std::to_string(n);
    int error = InjectedError(SaveStep::LinkDamaged);
    if (error == 0 && link(path.c_str(), copy.c_str()) != 0) {
      error = errno;
    }
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

void InjectSaveFault(SaveStep step, int error) { injected = Fault{step, error}; }
void ClearSaveFault() { injected = Fault{}; }

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

HiveStore::HiveStore(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') {
    folder_.pop_back();
  }
#ifdef __EMSCRIPTEN__
  // A page's files start empty: the hive comes back from the browser's copy.
  if (!folder_.empty() && MakePrivateFolders(folder_) == 0) {
    RestoreFromBrowser(HivePath());
  }
#endif
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
    if (errno == ENOENT && !loaded_.exists) {
      return ERROR_SUCCESS;
    }
  } else if (IdentityOf(st) == loaded_) {
    return ERROR_SUCCESS;
  }
  return Load();
}

LONG HiveStore::Load() {
  const std::string path = HivePath();
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno != ENOENT) {
      return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
    }
    // No file: an empty hive (it was removed, or this profile is new).
    hive_ = Hive();
    loaded_ = FileIdentity{};
    damaged_ = false;
    return ERROR_SUCCESS;
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return ERROR_CANTREAD;
  }
  ParseResult parsed;
  if (static_cast<std::size_t>(st.st_size) > MaxHiveFileBytes) {
    parsed.problems.emplace_back("the file is larger than " + std::to_string(MaxHiveFileBytes) +
                                 " bytes");
  } else {
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd.Get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n < 0) {
        return ERROR_CANTREAD;
      }
      if (n == 0) {
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    parsed = ParseHive(bytes);
  }
  for (const std::string &problem : parsed.problems) {
    std::fprintf(stderr, "%s %s (skipped)\n", path.c_str(), problem.c_str());
  }
  hive_ = std::move(parsed.hive);
  loaded_ = IdentityOf(st);
  damaged_ = !parsed.problems.empty();
  return ERROR_SUCCESS;
}

LONG HiveStore::Update(const Edit &edit) {
  if (folder_.empty()) {
    Hive copy = hive_;
    bool changed = false;
    const LONG result = edit(copy, &changed);
    if (result == ERROR_SUCCESS && changed) {
      hive_ = std::move(copy);
    }
    return result;
  }
  if (int e = MakeFolders(folder_)) {
    return Win32Error(e);
  }
  if (int e = InjectedError(SaveStep::Lock)) {
    return Win32Error(e);
  }
  const std::string lockPath = HivePath() + LockSuffix;
  Fd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!lock.Valid()) {
    return Win32Error(errno);
  }
  while (flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) {
      return Win32Error(errno);
    }
  }
  // Another process may have saved since our last look.
  if (const LONG loaded = Refresh(); loaded != ERROR_SUCCESS) {
    return loaded;
  }
  Hive copy = hive_;
  bool changed = false;
  if (const LONG result = edit(copy, &changed); result != ERROR_SUCCESS || !changed) {
    return result;
  }
  if (const LONG saved = Save(copy); saved != ERROR_SUCCESS) {
    return saved;
  }
  hive_ = std::move(copy);
  return ERROR_SUCCESS; // the lock goes with its descriptor
}

LONG HiveStore::Save(const Hive &hive) {
  const std::string text = SerializeHive(hive);
  if (text.size() > MaxHiveFileBytes) {
    return ERROR_CANTWRITE;
  }
  RemoveStaleTemps(folder_);
  static unsigned counter = 0;
  const std::string path = HivePath();
  const std::string temp =
      path + TempInfix + std::to_string(getpid()) + "-" + std::to_string(++counter);
  int error = InjectedError(SaveStep::CreateTemp);
  Fd fd(error != 0
            ? -1
            : open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (error == 0 && !fd.Valid()) {
    error = errno;
  }
  if (error != 0) {
    return Win32Error(error);
  }
  error = WriteAll(fd.Get(), text, true);
  if (error == 0) {
    error = InjectedError(SaveStep::FlushFile);
  }
  if (error == 0 && fsync(fd.Get()) != 0) {
    error = errno;
  }
  if (error == 0 && damaged_) {
    error = KeepDamaged(path);
  }
#ifdef __EMSCRIPTEN__
  // The page's files go with the page: the save is done once the browser has it.
  if (error == 0) {
    error = KeepInBrowser(path, text);
  }
#endif
  if (error == 0) {
    error = InjectedError(SaveStep::Rename);
  }
  if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    unlink(temp.c_str());
    return Win32Error(error);
  }
  damaged_ = false;
  // The new hive is in place; until the folder is flushed a power cut may still
  // bring back the old one, so the caller hears of a failure here too, and the
  // next look reloads whatever the file holds.
  struct stat st {};
  error = FlushFolder(folder_);
  loaded_ = error == 0 && stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{true};
  return Win32Error(error);
}

} // namespace platform::registry
