// The browser's copy of the hive: the page's files vanish with the page, so every
// save is also written to the browser's storage, and a new page starts from it.
#pragma once

#include <string>

namespace platform::registry {

// Stores `text` as the browser's copy of the hive file `path`, synchronously.
// Returns 0, or an errno value: ENOSPC when the storage is full, EACCES when the
// page may not use it. Outside a browser (node) there is nothing to keep: 0.
int KeepInBrowser(const std::string &path, const std::string &text);

// Writes the browser's copy of `path` to that file when the file does not exist
// yet (a new page); nothing when there is no copy.
void RestoreFromBrowser(const std::string &path);

} // namespace platform::registry
