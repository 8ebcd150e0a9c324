// Test hooks of modules and images: a compiled .res loaded as a module, and why the
// last image failed to decode.
#include "common/posix_file.h"
#include "imgdecmp/decompress.h"
#include "testing/testing.h"
#include "kernel/module.h"

namespace platform::test {

HINSTANCE LoadResModule(std::span<const std::byte> res, std::string *error) {
  return LoadModuleFromRes(res, error);
}

HINSTANCE LoadResModuleFile(const std::string &path, std::string *error) {
  constexpr std::size_t LargestRes = 256u << 20;
  int failure = 0;
  const UniqueFd fd = OpenRegularFile(path, &failure);
  std::string bytes;
  if (failure == 0) {
    failure = ReadAll(fd.Get(), LargestRes, &bytes);
  }
  if (failure != 0) {
    if (error != nullptr) {
      *error = "cannot read " + path + ": " + FileErrorText(failure);
    }
    return nullptr;
  }
  return LoadModuleFromRes(std::as_bytes(std::span<const char>(bytes)), error);
}

std::string LastImageDecodeError() { return platform::LastImageDecodeError(); }

} // namespace platform::test
