// The file operations of the hive's saves, as one back end that the build chooses:
// the profile folder's files alone (hive_files_local.cpp), or with each save also
// kept in the browser's storage (browser_storage.cpp). A test puts a back end of its
// own in front of the build's (InstallHiveFiles) to make a step of a save fail.
#pragma once

#include <string>

#include "common/posix_file.h"

namespace platform::registry {

// Every operation returns 0 or the errno of its failure; the defaults are the
// folder's own files.
class HiveFiles {
public:
  HiveFiles() = default;
  HiveFiles(const HiveFiles &) = delete;
  HiveFiles &operator=(const HiveFiles &) = delete;
  virtual ~HiveFiles() = default;

  // When a store of `folder` starts, before it reads `hivePath`.
  virtual void Start(const std::string &folder, const std::string &hivePath);
  // Creates the profile folder and its missing parents, private.
  virtual int MakeFolders(const std::string &folder);
  // Opens the lock file (see OpenLockFile).
  virtual UniqueFd OpenLock(const std::string &path, int *error);
  // Creates the new file beside the hive (see CreateTempBeside), mode 0600.
  virtual UniqueFd CreateTemp(const std::string &hivePath, std::string *tempPath, int *error);
  // Writes the new hive's bytes, all of them.
  virtual int Write(int fd, const std::string &bytes);
  virtual int FlushFile(int fd);
  // Keeps a damaged hive under a second name: a hard link.
  virtual int Link(const std::string &from, const std::string &to);
  // The new hive `text`, written and flushed beside `hivePath`, is about to
  // replace it: the last word before the rename.
  virtual int Commit(const std::string &hivePath, const std::string &text);
  virtual int Rename(const std::string &from, const std::string &to);
  virtual int FlushFolder(const std::string &folder);
};

// The build's back end.
HiveFiles &BuildHiveFiles();
// The back end the saves go through: the build's, unless another was installed.
HiveFiles &CurrentHiveFiles();
// Puts `files` in place of the build's back end (null: the build's again), for
// every store of the process. Not owned.
void InstallHiveFiles(HiveFiles *files);

} // namespace platform::registry
