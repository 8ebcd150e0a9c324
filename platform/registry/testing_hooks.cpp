// Test hooks of the registry and of temporary profiles.
#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "host/testing.h"
#include "registry/registry.h"

namespace platform::test {

TempProfile::TempProfile() {
  const char *base = getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/blackjack-profile-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::abort(); // a test cannot run without its profile
  }
  dir_ = pattern;
}

TempProfile::~TempProfile() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

DeviceConfig TempProfile::Config() const {
  DeviceConfig config;
  config.profileDir = dir_;
  return config;
}

std::string RegistryHivePath() { return registry::HivePath(); }
std::size_t OpenRegistryKeys() { return registry::OpenKeyCount(); }

} // namespace platform::test
