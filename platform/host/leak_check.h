// The program's leak check, for the sanitizer builds; nothing in other builds.
#pragma once

namespace platform {

// Runs the leak checker now, in place of its check at exit: called by the program
// once the game has ended and before the desktop host closes SDL.
void CheckLeaksBeforeSystemTeardown();

} // namespace platform
