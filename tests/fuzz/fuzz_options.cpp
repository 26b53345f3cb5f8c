// The option parser and the sign-up command line, on any command line.
#include <cstdint>
#include <string>

#include "launcher/launch_options.h"
#include "launcher/run_state.h"
#include "launcher/signup_command_line.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The entry point's text is zero-terminated: a zero byte ends it.
  std::string commandLine(reinterpret_cast<const char*>(data), size);
  commandLine = commandLine.c_str();

  kit::FakePlatform platform;
  kit::RunState run(platform);
  kit::LaunchOptions options;
  run.options = &options;
  kit::ParseLaunchOptions(run, commandLine.data());
  if (commandLine.c_str()[0] != '\0') __builtin_trap();  // the parser consumes it

  options.path.Assign("C:\\KIT\\");
  kit::SignupCommandLine line;
  line.Assign("C:\\WINDOWS\\TEMP\\temp.exe");
  kit::BuildSignupCommandLine(options, run.application, line);
  if (line.Length() > 254) __builtin_trap();
  return 0;
}
