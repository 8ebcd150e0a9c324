// The hive file in the profile folder: loading when it changed, and durable saves of
// the changes made since the last one.
#pragma once

#include <windows.h>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "registry/hive.h"

namespace platform::registry {

inline constexpr const char *HiveFileName = "registry.reg";
// A larger file is not a hive we wrote: it is treated as damaged.
inline constexpr std::size_t MaxHiveFileBytes = 16u << 20;

// What identifies one version of the hive file on disk.
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const FileIdentity &) const = default;
};

// Why the hive could not be stored: the Win32 code the calls return, and the
// reason as a phrase for the player ("No space left on device").
struct StoreFailure {
  LONG code = ERROR_SUCCESS;
  std::string reason;
  bool Failed() const { return code != ERROR_SUCCESS; }
};

// The hive of one profile folder; an empty folder keeps it in memory only.
//
// A change is made in memory at once and waits there for the next Flush, which
// the registry runs when the program goes idle, at RegFlushKey and at the end:
// the values a program writes one call at a time, without waiting in between,
// reach the disk together in one save.
class HiveStore {
public:
  explicit HiveStore(std::string folder);

  // The hive as last loaded or saved, with the changes still waiting.
  const Hive &Contents() const { return hive_; }
  // Reloads the file when another version replaced the one loaded, and puts the
  // waiting changes on top of it again. Returns a Win32 error code; on failure
  // the hive stays as it was, and a file that cannot be read is said once.
  LONG Refresh();
  // Applies `edit` to a copy of the hive; when it succeeds and changed something
  // the copy becomes current and the edit waits to be saved. At the save the edit
  // runs again on the file as it is then (another writer may have replaced it),
  // so it must be able to, and its result is not looked at.
  using Edit = std::function<LONG(Hive &hive, bool *changed)>;
  LONG Update(Edit edit);
  // Under the lock: reloads, applies the waiting changes and saves the result
  // durably in one write. On failure the file is left as it was, the changes
  // keep waiting, and the failure is kept (LastFailure) until a save succeeds.
  LONG Flush();
  // Whether a flush when idle is worth it: changes wait, and none failed to be
  // saved since the last change (a full disk is not retried at every idle).
  bool FlushDue() const { return !waiting_.empty() && retry_; }
  // A change the caller could not make because the file cannot be read: it is
  // kept as the failure, since the file is never replaced by what was not read.
  void RefuseChange() { lastFailure_ = loadFailure_; }
  const StoreFailure &LastFailure() const { return lastFailure_; }

  std::string HivePath() const;

private:
  LONG Load(); // Refresh without the quick identity check
  // Applies the waiting edits to `base_` into `hive_`.
  void ApplyWaiting();
  StoreFailure SaveWaiting();
  // Writes `hive` over the file, durably.
  StoreFailure Save(const Hive &hive);

  std::string folder_;
  Hive base_; // the file as last loaded or saved
  Hive hive_; // base_ with the waiting edits
  std::vector<Edit> waiting_;
  bool retry_ = false;
  FileIdentity loaded_;
  bool damaged_ = false;     // the loaded file had unusable lines: keep it when replacing
  StoreFailure loadFailure_; // why the file cannot be read now, or none
  std::string reportedLoad_; // the last such reason said, so that it is said once
  StoreFailure lastFailure_;
};

// errno of a failed file operation as a Win32 error code.
LONG Win32Error(int error);

} // namespace platform::registry
