// Fuzzes the headless host's script parser: any bytes give commands or one error line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  std::vector<platform::ScriptCommand> commands;
  std::string error;
  if (platform::ParseScript(text, &commands, &error)) {
    int lastLine = 0;
    for (const auto &c : commands) {
      // Lines only go forward, and every value stays in its documented range.
      if (c.line <= lastLine || c.point.x < 0 || c.point.x > 65535 || c.point.y < 0 ||
          c.point.y > 65535 || c.ms > platform::kLongestWaitMs) {
        std::abort();
      }
      lastLine = c.line;
    }
  } else if (error.rfind("line ", 0) != 0 || error.find('\n') != std::string::npos ||
             !commands.empty()) {
    std::abort();
  }
  return 0;
}
