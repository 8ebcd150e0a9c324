// Opening the script of a headless run safely: only a regular file or a pipe.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>

namespace platform {

// The most a script read from a pipe may hold: a pipe is read whole before it runs.
inline constexpr std::size_t kLongestPipedScript = 16u << 20;

// Opens the script at `path` ("-" for standard input). A regular file is read as
// the script runs, from the descriptor opened here, so that it can be checked
// first and then read again from its start. A pipe (standard input, `<(...)`, a
// FIFO) or a terminal is read whole first; one that brings nothing is refused,
// as is one longer than kLongestPipedScript. A folder, a device or a missing
// file is refused. A FIFO is opened without blocking, so none can hang the start.
// Null with one line in *error.
std::unique_ptr<std::istream> OpenScript(const std::string &path, std::string *error);

} // namespace platform
