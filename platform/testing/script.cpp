// The headless host in-process: a program's WinMain run on a script.
#include <sstream>

#include "host/headless.h"
#include "testing/testing.h"

namespace platform::test {

ScriptRun RunScript(int(WINAPI *winMain)(HINSTANCE, HINSTANCE, LPWSTR, int),
                    const std::string &script, HINSTANCE instance) {
  ScriptRun run;
  std::istringstream text(script);
  if (!CheckScript(text, &run.error)) {
    run.exitCode = 2;
    return run;
  }
  ScriptReader reader(std::make_unique<std::istringstream>(script));
  const HeadlessRun result = RunHeadless(reader, winMain, instance);
  run.exitCode = result.exitCode;
  run.error = result.error;
  return run;
}

} // namespace platform::test
