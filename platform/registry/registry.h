// What the registry offers the rest of the layer and the test hooks.
#pragma once

#include <cstddef>
#include <string>

namespace platform::registry {

// The hive file of the current device's profile; empty when the hive is kept in
// memory only (no profile).
std::string HivePath();
// Key handles open on the current device: a test can prove none leaks.
std::size_t OpenKeyCount();

} // namespace platform::registry
