// What the registry offers the rest of the layer and the test hooks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "registry/store.h"

namespace platform::registry {

// The hive file of the current device's profile; empty when the hive is kept in
// memory only (no profile).
std::string HivePath();
// Saves the changes still waiting, at the end of the program, and returns why the
// hive could not be stored (none when everything written is on disk): the
// program says so, since its own calls ignore the registry's return codes.
StoreFailure StoreAtExit();
// Key handles open on the current device: a test can prove none leaks.
std::size_t OpenKeyCount();

// The whole hive of the current device in its regedit text form: what a recording
// keeps of the settings the game will find.
std::string HiveText();
// Makes the hive the one a text gives (a recording's), whatever the profile held;
// it reaches the profile as any change does. False with the first unusable line.
bool ReplaceHive(std::string_view text, std::string *error);

} // namespace platform::registry
