#include "staging/staging.h"

#include "launcher/launch_options.h"
#include "launcher/paths.h"
#include "launcher/run_state.h"
#include "platform/platform.h"

namespace kit {
namespace {

using PathBuffer = BoundedText<255>;

// The sign-up program: the resource "INSTALL" of type "OID" written to
// temp.ex_, expanded to temp.exe, and the temporary folder made current.
void StageSignupProgram(RunState& run, const char* tempFolder) {
  Platform& platform = run.platform;
  PathBuffer compressed;
  if (!JoinPath(compressed.Ref(), tempFolder, "temp.ex_")) return;
  PathBuffer program;
  if (!JoinPath(program.Ref(), tempFolder, "temp.exe")) return;

  FileHandle existing = platform.OpenForReading(compressed.Get());
  if (existing != nullptr) {
    platform.CloseFile(existing);
    platform.DeleteFile(compressed.Get());
  }
  const u8* bytes = nullptr;
  u32 size = 0;
  bool haveBytes = platform.LoadResourceBytes("OID", "INSTALL", &bytes, &size);

  FileHandle out = platform.OpenForWriting(compressed.Get(), WriteMode::kTemporaryExclusive);
  if (out == nullptr) return;
  if (haveBytes) platform.WriteFile(out, bytes, size);
  platform.CloseFile(out);

  if (run.commandLine->Assign(program.Get())) run.programPath.Assign(program.Get());
  platform.ExpandFile(tempFolder, "temp.ex_", "temp.exe");
  platform.SetCurrentFolder(tempFolder);
  platform.DeleteFile(compressed.Get());
}

// file= and prof= from the launcher's own name when still empty.
void FillDefaultsFromModuleName(RunState& run, TextRef moduleName) {
  LaunchOptions& options = *run.options;
  if (options.file.IsEmpty()) {
    moduleName.EndAtLast('.');
    BoundedText<150> value;
    if (value.Assign("file=") && value.Append(moduleName.Get())) options.file.Assign(value.Get());
  }
  if (options.prof.IsEmpty()) {
    moduleName.EndAtLast('.');
    BoundedText<50> value;
    if (value.Assign("prof=") && value.Append(moduleName.Get())) {
      options.prof.Assign(value.Get());
      run.ProfileFromConfig = 1;
    }
  }
}

}  // namespace

void StageTemporaryFolder(RunState& run) {
  Platform& platform = run.platform;
  LaunchOptions& options = *run.options;

  PathBuffer kitFolder;
  if (GetKitFolder(platform, kitFolder.Ref())) options.path.Assign(kitFolder.Get());

  PathBuffer tempFolder;
  PathBuffer modulePath;
  bool haveFolders = platform.GetTempFolder(tempFolder.Ref()) &&
                     platform.GetModulePath(modulePath.Ref());
  if (haveFolders) StageSignupProgram(run, tempFolder.Get());

  PathBuffer moduleName;
  i32 slash = FindLast(modulePath.Get(), '\\');
  moduleName.Assign(modulePath.Get() + slash + 1);
  FillDefaultsFromModuleName(run, moduleName.Ref());
}

}  // namespace kit
