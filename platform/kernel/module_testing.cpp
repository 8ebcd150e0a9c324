// Test hooks that load a compiled .res as a module.
#include <fstream>
#include <iterator>
#include <vector>

#include "host/testing.h"
#include "kernel/module.h"

namespace platform::test {

HINSTANCE LoadResModule(std::span<const std::byte> res, std::string *error) {
  return LoadModuleFromRes(res, error);
}

HINSTANCE LoadResModuleFile(const std::string &path, std::string *error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) {
      *error = "cannot open " + path;
    }
    return nullptr;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  return LoadModuleFromRes(std::as_bytes(std::span<const char>(bytes)), error);
}

} // namespace platform::test
