// The emulated device and the reset of per-device state between devices.
#include "device/device.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

namespace platform {
namespace {

std::unique_ptr<Device> &DeviceSlot() {
  static std::unique_ptr<Device> device;
  return device;
}

std::vector<ResetHook> &ResetHooks() {
  static std::vector<ResetHook> hooks;
  return hooks;
}

std::vector<ResetHook> &IdleHooks() {
  static std::vector<ResetHook> hooks;
  return hooks;
}

std::int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Days from 1970-01-01 for a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

SYSTEMTIME FromTm(const std::tm &tm, unsigned ms) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(tm.tm_year + 1900);
  t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  t.wDay = static_cast<WORD>(tm.tm_mday);
  t.wHour = static_cast<WORD>(tm.tm_hour);
  t.wMinute = static_cast<WORD>(tm.tm_min);
  t.wSecond = static_cast<WORD>(tm.tm_sec);
  t.wMilliseconds = static_cast<WORD>(ms);
  return t;
}

// A system of the default's kind but for its name, version and type; `fails` makes both of
// its version queries fail.
OsProfile NamedProfile(const char *name, DWORD major, DWORD minor,
                       std::u16string platformType = u"PocketPC", bool fails = false) {
  OsProfile p;
  p.name = name;
  p.major = major;
  p.minor = minor;
  p.platformType = std::move(platformType);
  p.versionFails = p.platformTypeFails = fails;
  return p;
}

// Every system a host can emulate, by the name its options and recordings give it; the
// first is the default, which OsProfile's own values describe.
const std::vector<OsProfile> &OsProfiles() {
  static const std::vector<OsProfile> profiles{
      OsProfile{},
      NamedProfile("ce5", 5, 0),
      NamedProfile("ce4", 4, 20),
      NamedProfile("ce3-pocketpc", 3, 0),
      NamedProfile("ce3-other", 3, 0, u"Jupiter"),
      NamedProfile("fail", 5, 1, u"PocketPC", true),
  };
  return profiles;
}

} // namespace

bool OsProfileByName(const std::string &name, OsProfile *profile) {
  for (const OsProfile &p : OsProfiles()) {
    if (p.name == name) {
      *profile = p;
      return true;
    }
  }
  return false;
}

std::string OsProfileNames() {
  std::string names;
  for (const OsProfile &p : OsProfiles()) {
    names += (names.empty() ? "" : ", ") + p.name;
  }
  return names;
}

Device::Device(DeviceConfig config) : config_(std::move(config)), realStartNs_(MonotonicNs()) {}

std::uint64_t Device::NowMs() const {
  if (config_.virtualClock) {
    return virtualMs_;
  }
  return static_cast<std::uint64_t>((MonotonicNs() - realStartNs_) / 1000000);
}

void Device::AdvanceMs(std::uint64_t ms) {
  if (config_.virtualClock) {
    virtualMs_ += ms;
  }
}

SYSTEMTIME Device::LocalTime() const {
  if (!config_.virtualClock) {
    const auto now = std::chrono::system_clock::now();
    const auto t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    return FromTm(tm, static_cast<unsigned>(ms));
  }
  const SYSTEMTIME &s = config_.clockStart;
  const std::int64_t startSeconds = DaysFromCivil(s.wYear, s.wMonth, s.wDay) * 86400 +
                                    std::int64_t{s.wHour} * 3600 + std::int64_t{s.wMinute} * 60 +
                                    s.wSecond;
  const std::int64_t totalMs =
      startSeconds * 1000 + s.wMilliseconds + static_cast<std::int64_t>(virtualMs_);
  const auto seconds = static_cast<std::time_t>(totalMs / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm); // the start is a local time already: no zone applies
  return FromTm(tm, static_cast<unsigned>(totalMs % 1000));
}

Device &CurrentDevice() {
  auto &slot = DeviceSlot();
  if (!slot) {
    slot = std::make_unique<Device>(DeviceConfig{});
  }
  return *slot;
}

void StartDevice(const DeviceConfig &config) {
  StopDevice();
  DeviceSlot() = std::make_unique<Device>(config);
}

void StopDevice() {
  auto &hooks = ResetHooks();
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    (*it)();
  }
  DeviceSlot().reset();
}

int ScaleToDpi(int logical) {
  const std::int64_t scaled =
      (static_cast<std::int64_t>(logical) * CurrentDevice().Dpi() + 48) / 96;
  return static_cast<int>(scaled);
}

int NavigationBarHeight() { return ScaleToDpi(kShellBarLogicalHeight); }

BYTE SystemTextQuality() {
  return CurrentDevice().Config().clearTypeSystemText ? CLEARTYPE_QUALITY : ANTIALIASED_QUALITY;
}

void RegisterResetHook(ResetHook hook) { ResetHooks().push_back(hook); }

void RegisterIdleHook(ResetHook hook) { IdleHooks().push_back(hook); }

void RunIdleHooks() {
  for (const ResetHook hook : IdleHooks()) {
    hook();
  }
}

} // namespace platform
