// The hive's files on a machine with a disk: the profile folder's files alone.
#include "registry/hive_files.h"

namespace platform::registry {

HiveFiles &BuildHiveFiles() {
  static HiveFiles files;
  return files;
}

} // namespace platform::registry
