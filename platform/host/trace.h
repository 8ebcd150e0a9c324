// The --trace log: one line per played sound and per timer set or killed.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Starts writing trace lines to `path` (truncated); false when it cannot be opened.
bool OpenTrace(const std::string &path);
// Flushes and closes the trace; nothing is written afterwards.
void CloseTrace();
bool TraceOpen();

// Called by SetTimer and KillTimer. Writes "<ms> timer set <ID> <PERIOD>" or
// "<ms> timer kill <ID>", after any sounds played before it.
void TraceTimer(bool set, UINT_PTR id, UINT periodMs);
// Writes a line for each sound played since the last call:
// "<ms> sound <NAME> <FLAGS>", flags as SND_ names joined by '|'.
void TraceSounds();

// The sound flags in trace form, e.g. "SND_ASYNC|SND_RESOURCE"; "0" for none.
std::string SoundFlagsText(DWORD flags);

} // namespace platform
