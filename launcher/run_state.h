// The state of one launch: what the launch sequence owns and hands to the
// other parts by reference. The values every part of a launch shares live
// here, so that a test can run many launches in one process.
#pragma once

#include "support/buffer.h"
#include "support/text.h"
#include "support/types.h"

namespace kit {

class DibImage;
class Platform;
struct LaunchOptions;

// The sign-up command line: program path, then the `$`-separated options.
using SignupCommandLine = BoundedText<255>;
// The application buffer built by "appl=" tokens.
using ApplicationBuffer = BoundedText<256>;

// A configuration stream in memory.
using OidBuffer = ByteBuffer;

enum : u32 { kConfigFromFile = 0, kConfigFromPackage = 1 };

struct RunState {
  explicit RunState(Platform& p) : platform(p) {}

  Platform& platform;

  DibImage* SplashPicture = nullptr;
  LaunchOptions* options = nullptr;
  SignupCommandLine* commandLine = nullptr;
  ApplicationBuffer application;
  // The sign-up program's path, as staging wrote it at the start of the
  // command line; empty when staging could not write the program.
  BoundedText<255> programPath;

  u32 ProfileFromConfig = 0;
  u32 ScriptGiven = 0;
  u32 HangUpOnRefusal = 0;
  u32 ScrollToAccept = 1;
  u32 AgreementRefused = 0;

  // Where the configuration came from, and for the appended package its
  // stream, held until the end of the run.
  u32 ConfigSource = kConfigFromFile;
  OidBuffer packageStream;
  // Staging scrambled `packageStream` (with its trailer) to write it out.
  bool packageStreamScrambled = false;
};

}  // namespace kit
