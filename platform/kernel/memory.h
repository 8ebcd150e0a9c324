// Whether the process can read a range of its own memory, as the system answers:
// one back end per build (memory_linux.cpp asks the kernel, memory_web.cpp knows
// WebAssembly's one block of memory).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// [start, start + size) with size > 0 and no wrap-around: true when every byte of it
// can be read, found out without touching it.
bool SystemCanRead(std::uintptr_t start, std::size_t size);

} // namespace platform
