// Fuzzes the reader of recordings: any bytes give a header and a script, or one
// error line; what it accepts reads back the same once written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/recording.h"
#include "host/script.h"
#include "registry/hive.h"

namespace {

bool SameHeader(const platform::RecordingHeader &a, const platform::RecordingHeader &b) {
  return a.version == b.version && a.width == b.width && a.height == b.height && a.dpi == b.dpi &&
         a.os.name == b.os.name && a.clock.wHour == b.clock.wHour &&
         a.clock.wMinute == b.clock.wMinute && a.clock.wSecond == b.clock.wSecond &&
         platform::registry::ParseHive(a.hive).hive == platform::registry::ParseHive(b.hive).hive;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  platform::RecordingHeader header;
  std::string script;
  std::string error;
  if (!platform::ReadRecording(text, "1.0.0", &header, &script, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) {
      std::abort();
    }
    return 0;
  }
  std::vector<platform::ScriptCommand> commands;
  if (header.width < 16 || header.height < 16 || header.dpi < 24 || header.clock.wHour > 23 ||
      !platform::ParseScript(script, &commands, &error)) {
    std::abort();
  }
  platform::RecordingHeader again;
  std::string againScript;
  if (!platform::ReadRecording(platform::RecordingHeaderText(header) + "close\n", "1.0.0", &again,
                               &againScript, &error) ||
      !SameHeader(header, again)) {
    std::abort();
  }
  return 0;
}
