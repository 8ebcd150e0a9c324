// The service's lock files: whether a lock still holds the file it names, and the
// lock files of the runtime folder that nobody holds any more.
#pragma once

#include <string>

namespace platform::instance {

// Whether `fd` is still the file at `path`: a holder removes its lock file as it
// ends, and a lock taken on the removed file excludes nobody.
bool IsLockedFile(int fd, const std::string &path);

// Removes lock files in the runtime folder that nobody holds: those older
// versions kept for every profile ever played, and ours left by a process that
// died while it used the runtime folder's lock.
void RemoveUnusedLocks(const std::string &folder);

} // namespace platform::instance
