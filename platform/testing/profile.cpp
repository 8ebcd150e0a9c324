// Test hooks of profiles: temporary profile folders, the registry kept in them, and
// the environment.
#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "testing/testing.h"
#include "registry/registry.h"

namespace platform::test {

TempProfile::TempProfile(const std::string &parent) {
  const char *tmp = getenv("TMPDIR");
  const std::string base =
      !parent.empty() ? parent : (tmp != nullptr && *tmp != '\0' ? std::string(tmp) : "/tmp");
  std::string pattern = base + "/blackjack-profile-XXXXXX";
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

ScopedEnv::ScopedEnv(const char *name, const char *value) : name_(name) {
  if (const char *old = getenv(name)) {
    old_ = old;
    hadOld_ = true;
  }
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (hadOld_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

std::string RegistryHivePath() { return registry::HivePath(); }
std::size_t OpenRegistryKeys() { return registry::OpenKeyCount(); }

} // namespace platform::test
