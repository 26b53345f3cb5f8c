#include "launcher/launch_sequence.h"

#include "agreement/dib_image.h"
#include "config/load_configuration.h"
#include "launcher/launch_options.h"
#include "launcher/paths.h"
#include "launcher/run_state.h"
#include "launcher/signup_command_line.h"
#include "platform/platform.h"
#include "staging/staging.h"
#include "support/memory.h"

namespace kit {
namespace {

using PathBuffer = BoundedText<255>;

// Deletes temporary folder + `name`; a path that does not fit is skipped.
void DeleteFromTempFolder(Platform& platform, PathBuffer& path, const char* name) {
  path.Clear();
  if (!platform.GetTempFolder(path.Ref()) || !path.Append(name)) return;
  platform.DeleteFile(path.Get());
}

// Leftovers of earlier runs: every "*.oid" and "temp.exe".
void ClearTempFolder(Platform& platform) {
  PathBuffer path;
  if (platform.GetTempFolder(path.Ref()) && path.Append("*.oid")) {
    BoundedText<260> found;
    FindHandle search = platform.FindFirst(path.Get(), found.Ref());
    if (search != nullptr) {
      do {
        DeleteFromTempFolder(platform, path, found.Get());
        found.Clear();
      } while (platform.FindNext(search, found.Ref()));
      platform.FindClose(search);
    }
  }
  DeleteFromTempFolder(platform, path, "temp.exe");
}

// Starts the sign-up program and waits until it has ended. Without a program
// path (staging could not write the program) nothing is started: asking
// Windows to run the first word of the options could only fail, or worse.
void RunSignupProgram(RunState& run) {
  if (run.programPath.IsEmpty()) return;
  ProcessRequest request;
  // The full path as the application name: an unquoted path with blanks in
  // the command line must not make Windows try "C:\Documents.exe" first.
  request.applicationName = run.programPath.Get();
  request.commandLine = run.commandLine->Data();
  request.inheritHandles = true;
  request.creationFlags = kHighPriorityClass;
  request.startupFlags = kStartfUseShowWindow;
  request.showWindow = kShowNormal;
  ProcessHandle process = run.platform.StartProcess(request);
  if (process == nullptr) return;
  run.platform.WaitForProcess(process);
  run.platform.CloseProcess(process);
}

// AddShortcut.exe from the kit folder, hidden, when it can be opened.
void RunShortcutProgram(Platform& platform) {
  PathBuffer path;
  if (!platform.GetModulePath(path.Ref())) return;
  CutAtLastBackslash(path.Ref());
  if (!path.Append("\\AddShortcut.exe")) return;
  FileHandle file = platform.OpenForReading(path.Get());
  if (file == nullptr) return;
  platform.CloseFile(file);
  // Quoted, so that a kit folder with blanks cannot make Windows start a
  // program named by the path's first word.
  BoundedText<258> quoted;
  if (quoted.Assign("\"") && quoted.Append(path.Get()) && quoted.Append("\""))
    platform.RunHidden(quoted.Get());
}

}  // namespace

int RunLaunch(Platform& platform, char* commandLine) {
  RunState run(platform);

  // 1. Run state: the picture holder comes before anything else.
  run.SplashPicture = MakeObject<DibImage>(platform);
  run.ProfileFromConfig = 0;

  // 2. Leftovers of earlier runs.
  ClearTempFolder(platform);

  // 3, 4. The sign-up command line and the option record, zero-filled.
  SignupCommandLine* signupCommandLine = MakeObject<SignupCommandLine>();
  LaunchOptions* options = MakeObject<LaunchOptions>();
  if (signupCommandLine == nullptr || options == nullptr) return 0;
  run.commandLine = signupCommandLine;
  run.options = options;

  // 5. Options, before the configuration is located: file= names it.
  ParseLaunchOptions(run, commandLine);

  // 6. Configuration and agreement.
  // An early end releases what the run holds, which the process would
  // otherwise leave to its own end.
  if (LoadConfiguration(run) == 0) {
    DestroyObject(signupCommandLine);
    DestroyObject(options);
    DestroyObject(run.SplashPicture);
    return 0;
  }

  // 7, 8. Staging, then the command line.
  StageTemporaryFolder(run);
  BuildSignupCommandLine(*options, run.application, *signupCommandLine);

  // 9. The sign-up program.
  RunSignupProgram(run);

  // 10. Release.
  DestroyObject(signupCommandLine);
  DestroyObject(options);
  run.commandLine = nullptr;
  run.options = nullptr;

  // 11. The shortcut program, not waited for.
  RunShortcutProgram(platform);

  // 12, 13.
  run.packageStream.Release();
  DestroyObject(run.SplashPicture);
  run.SplashPicture = nullptr;
  platform.PostQuit(0);
  return 0;
}

}  // namespace kit
