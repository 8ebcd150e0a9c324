// The --trace log: one line per played sound and per timer set or killed,
// written as each happens.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Starts writing trace lines to `path` (truncated); false when it cannot be opened.
//   "<ms> sound <NAME> <FLAGS>"   flags as SND_ names joined by '|'
//   "<ms> timer set <ID> <PERIOD>" and "<ms> timer kill <ID>"
bool OpenTrace(const std::string &path);
// Flushes and closes the trace; nothing is written afterwards.
void CloseTrace();

// The sound flags in trace form, e.g. "SND_ASYNC|SND_RESOURCE"; "0" for none.
std::string SoundFlagsText(DWORD flags);

} // namespace platform
