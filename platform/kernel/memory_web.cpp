// Readable memory in WebAssembly: one linear block, every address inside it readable.
#include <emscripten/heap.h>

#include "kernel/memory.h"

namespace platform {

bool SystemCanRead(std::uintptr_t start, std::size_t size) {
  return start + size <= emscripten_get_heap_size();
}

} // namespace platform
