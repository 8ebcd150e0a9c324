// Test hooks of modules and images: a compiled .res loaded as a module, and why the
// last image failed to decode.
#include <fstream>
#include <iterator>
#include <vector>

#include "imgdecmp/decompress.h"
#include "testing/testing.h"
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

std::string LastImageDecodeError() { return platform::LastImageDecodeError(); }

} // namespace platform::test
