// The hive file in the profile folder: loading when it changed, and durable saves.
#pragma once

#include <windows.h>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "registry/hive.h"

namespace platform::registry {

inline constexpr const char *HiveFileName = "registry.reg";
// A larger file is not a hive we wrote: it is treated as damaged.
inline constexpr std::size_t MaxHiveFileBytes = 16u << 20;

// The steps of a save, in order, for fault injection.
enum class SaveStep {
  None,
  MakeFolder,  // creating the profile folder
  Lock,        // opening and locking the lock file
  CreateTemp,  // creating the new file (O_EXCL)
  Write,       // writing it: half the bytes go out, then the failure (a disk filling up)
  FlushFile,   // fsync of the new file
  KeepDamaged, // keeping a damaged hive beside its replacement
  LinkDamaged, // its hard link (a failure such as EPERM makes it a copy)
  Rename,      // renaming the new file over the hive
  FlushFolder, // fsync of the folder
};

// Tests make every following save fail at `step` with errno `error` until
// cleared. Process-wide, not per device, so a test sets and clears it itself.
void InjectSaveFault(SaveStep step, int error);
void ClearSaveFault();

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

// The hive of one profile folder; an empty folder keeps it in memory only.
class HiveStore {
public:
  explicit HiveStore(std::string folder);

  // The hive as last loaded or saved.
  const Hive &Current() const { return hive_; }
  // Reloads the file when another version replaced the one loaded. Returns a
  // Win32 error code; the hive stays as it was on failure.
  LONG Refresh();
  // Under the lock: reloads, applies `edit` to a copy, and when `edit` succeeds
  // and changed something, saves the copy durably before making it current. On
  // any failure the hive, in memory and on disk, is left as it was.
  using Edit = std::function<LONG(Hive &hive, bool *changed)>;
  LONG Update(const Edit &edit);

  const std::string &Folder() const { return folder_; }
  std::string HivePath() const;

private:
  LONG Load(); // Refresh without the quick identity check
  LONG Save(const Hive &hive);

  std::string folder_;
  Hive hive_;
  FileIdentity loaded_;
  bool damaged_ = false; // the loaded file had unusable lines: keep it when replacing
};

// errno of a failed file operation as a Win32 error code.
LONG Win32Error(int error);

} // namespace platform::registry
