// The launch: one run from the clean-up of the temporary folder to the start
// of the shortcut program.
#pragma once

namespace kit {

class Platform;

// `commandLine` is the writable text after the program name; it is consumed.
// Returns the exit code, which is always 0.
int RunLaunch(Platform& platform, char* commandLine);

}  // namespace kit
