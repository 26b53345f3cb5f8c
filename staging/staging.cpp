#include "staging/staging.h"

#include "config/read_pass.h"
#include "config/scramble.h"
#include "launcher/launch_options.h"
#include "launcher/paths.h"
#include "launcher/run_state.h"
#include "platform/platform.h"

namespace kit {
namespace {

using PathBuffer = BoundedText<255>;

// The folders and names every step builds its paths from. A folder that
// cannot be had, or does not fit, stays empty and the steps that need it
// are skipped.
struct StagingPaths {
  PathBuffer tempFolder;  // ends in '\'
  PathBuffer kitFolder;   // ends in '\'
  PathBuffer modulePath;
  PathBuffer moduleName;  // the module path's text after its last '\'
};

bool Present(Platform& platform, const char* path) {
  FileHandle file = platform.OpenForReading(path);
  if (file == nullptr) return false;
  platform.CloseFile(file);
  return true;
}

// folder + name (+ extension) into `out`; false when a part is missing or
// the whole does not fit.
bool Join(PathBuffer& out, const PathBuffer& folder, const char* name,
          const char* extension = "") {
  out.Clear();
  return !folder.IsEmpty() && out.Assign(folder.Get()) && out.Append(name) &&
         out.Append(extension);
}

// Copies kit folder + name to temporary folder + `destName`, replacing.
void CopyFromKit(Platform& platform, const StagingPaths& paths, const char* name,
                 const char* destName, const char* extension, bool testFirst) {
  PathBuffer source, dest;
  if (!Join(source, paths.kitFolder, name, extension) ||
      !Join(dest, paths.tempFolder, destName, extension))
    return;
  if (testFirst && !Present(platform, source.Get())) return;
  platform.CopyFile(source.Get(), dest.Get(), false);
}

const char* AfterLast(const char* text, char c) { return text + FindLast(text, c) + 1; }

// Step 1: the kit folder for path=, and Icwscrpt.exe.
void StageScriptRunner(RunState& run, const StagingPaths& paths) {
  if (!paths.kitFolder.IsEmpty()) run.options->path.Assign(paths.kitFolder.Get());
  CopyFromKit(run.platform, paths, "Icwscrpt.exe", "Icwscrpt.exe", "", true);
}

// Step 2: the configuration named by copy=, taken whole.
void StageCopyOption(RunState& run, const StagingPaths& paths) {
  const char* copy = run.options->copy.Get();
  if (*copy == '\0') return;
  CopyFromKit(run.platform, paths, copy + 5, copy + 5, ".oid", true);
}

// Step 3: prof= from file= when no profile was given.
void ProfileFromFileOption(RunState& run) {
  LaunchOptions& options = *run.options;
  if (!options.prof.IsEmpty() || options.file.IsEmpty()) return;
  BoundedText<50> value;
  if (!value.Assign("prof=") || !value.Append(AfterLast(options.file.Get(), '='))) return;
  options.prof.Assign(value.Get());
  run.ProfileFromConfig = 1;
}

// Step 4: the resource "INSTALL" of type "OID" written to temp.ex_, expanded
// to temp.exe, and the temporary folder made current.
void StageSignupProgram(RunState& run, const StagingPaths& paths) {
  Platform& platform = run.platform;
  PathBuffer compressed, program;
  if (!Join(compressed, paths.tempFolder, "temp.ex_") ||
      !Join(program, paths.tempFolder, "temp.exe"))
    return;

  if (Present(platform, compressed.Get())) platform.DeleteFile(compressed.Get());
  const u8* bytes = nullptr;
  u32 size = 0;
  bool haveBytes = platform.LoadResourceBytes("OID", "INSTALL", &bytes, &size);

  FileHandle out = platform.OpenForWriting(compressed.Get(), WriteMode::kTemporaryExclusive);
  if (out == nullptr) return;
  if (haveBytes) platform.WriteFile(out, bytes, size);
  platform.CloseFile(out);

  if (run.commandLine->Assign(program.Get())) run.programPath.Assign(program.Get());
  platform.ExpandFile(paths.tempFolder.Get(), "temp.ex_", "temp.exe");
  platform.SetCurrentFolder(paths.tempFolder.Get());
  platform.DeleteFile(compressed.Get());
}

// Step 5: side files an earlier run left in place are kept. They come from
// the kit folder, also for a kit at a drive root ("D:\bookmark.htm", not
// "D:bookmark.htm", which would name the drive's current folder instead).
void StageSideFiles(RunState& run, const StagingPaths& paths) {
  static const char* const kSideFiles[][2] = {
      {"veltosignup.exe", "veltosignup.exe"},
      {"bookmark.htm", "bookmark.htm"},
      {"inbox", "Inbox"},
  };
  for (const auto& side : kSideFiles) {
    PathBuffer source, dest;
    if (!Join(source, paths.kitFolder, side[0]) || !Join(dest, paths.tempFolder, side[1]))
      continue;
    run.platform.CopyFile(source.Get(), dest.Get(), true);
  }
}

// The staged configuration's name: the module name with its extension
// replaced, or the file= value's base name; then ".oid". It matches the
// file= value the sign-up program is given.
bool StagedConfigName(const RunState& run, const StagingPaths& paths, PathBuffer& name) {
  name.Clear();
  const char* file = run.options->file.Get();
  if (*file == '\0') {
    if (!name.Assign(paths.moduleName.Get())) return false;
    if (!name.Ref().KeepThroughLast('.')) return name.Append(".oid");
    return name.Append("oid");
  }
  const char* base = FindLast(file, '\\') >= 0 ? AfterLast(file, '\\') : AfterLast(file, '=');
  return name.Assign(base) && name.Append(".oid");
}

// Writes the held package stream scrambled, with its trailer. A file that
// cannot be written whole is removed again: the sign-up program must never
// find half a configuration.
void WriteScrambledPackage(RunState& run, const char* dest) {
  Platform& platform = run.platform;
  FileHandle out = platform.OpenForWriting(dest, WriteMode::kPlain);
  if (out == nullptr) return;
  if (!ScrambleOid(run.packageStream, kScrambleBlockSize, true)) {
    platform.CloseFile(out);
    platform.DeleteFile(dest);
    return;
  }
  run.packageStreamScrambled = true;
  bool written = platform.WriteFile(out, run.packageStream.Data(), run.packageStream.Length());
  platform.CloseFile(out);
  if (!written) platform.DeleteFile(dest);
}

// Step 6: the configuration in the temporary folder.
void StageConfiguration(RunState& run, const StagingPaths& paths) {
  PathBuffer name, dest;
  if (!StagedConfigName(run, paths, name) || !Join(dest, paths.tempFolder, name.Get())) return;
  if (run.ConfigSource == kConfigFromPackage) {
    WriteScrambledPackage(run, dest.Get());
    return;
  }
  PathBuffer source;
  const char* file = run.options->file.Get();
  if (*file == '\0') {
    if (!source.Assign(paths.modulePath.Get())) return;
    if (!source.Ref().KeepThroughLast('.') || !source.Append("oid")) return;
  } else if (!Join(source, paths.kitFolder, AfterLast(file, '='), ".oid")) {
    return;
  }
  run.platform.CopyFile(source.Get(), dest.Get(), false);
}

// Step 8: file= and prof= from the launcher's own name when still empty.
void DefaultsFromModuleName(RunState& run, const StagingPaths& paths) {
  LaunchOptions& options = *run.options;
  PathBuffer name;
  name.Assign(paths.moduleName.Get());
  if (options.file.IsEmpty()) {
    name.Ref().EndAtLast('.');
    BoundedText<150> value;
    if (value.Assign("file=") && value.Append(name.Get())) options.file.Assign(value.Get());
  }
  if (options.prof.IsEmpty()) {
    name.Ref().EndAtLast('.');
    BoundedText<50> value;
    if (value.Assign("prof=") && value.Append(name.Get())) {
      options.prof.Assign(value.Get());
      run.ProfileFromConfig = 1;
    }
  }
}

// Step 9, with script=: the script file to the root of the Windows drive.
void CopyScript(RunState& run, const StagingPaths& paths) {
  Platform& platform = run.platform;
  const char* value = run.options->script.Get() + 7;
  PathBuffer root;
  if (!platform.GetWindowsFolder(root.Ref())) return;
  i32 firstSlash = FindFirst(root.Get(), '\\');
  if (firstSlash < 0) return;
  root.Ref().Truncate(static_cast<u32>(firstSlash + 1));
  PathBuffer source, dest;
  if (!Join(dest, root, value) || !Join(source, paths.kitFolder, AfterLast(value, '\\'))) return;
  platform.CopyFile(source.Get(), dest.Get(), false);
}

void FormPaths(Platform& platform, StagingPaths& paths) {
  if (!platform.GetTempFolder(paths.tempFolder.Ref())) paths.tempFolder.Clear();
  if (!GetKitFolder(platform, paths.kitFolder.Ref())) paths.kitFolder.Clear();
  if (!platform.GetModulePath(paths.modulePath.Ref())) paths.modulePath.Clear();
  paths.moduleName.Assign(AfterLast(paths.modulePath.Get(), '\\'));
}

}  // namespace

void CopyNextList(RunState& run, const char* nextToken) {
  StagingPaths paths;
  FormPaths(run.platform, paths);
  BoundedText<255> work;
  if (!work.Assign(nextToken)) return;
  const char* text = work.Get();
  u32 length = work.Length();
  for (u32 at = 0; length - at > 5;) {
    if (!SamePrefixIgnoringCase(text + at, "file=", 5)) {
      ++at;
      continue;
    }
    const char* entry = text + at + 5;
    i32 end = FindFirst(entry, ';');
    if (end < 0) end = FindFirst(entry, '"');
    if (end < 0) end = static_cast<i32>(TextLength(entry));
    PathBuffer name;
    if (end > 0 && name.Assign(entry, static_cast<u32>(end))) {
      const char* base = AfterLast(name.Get(), '\\');
      CopyFromKit(run.platform, paths, name.Get(), base, ".oid", false);
    }
    at += 5;
  }
}

void StageTemporaryFolder(RunState& run) {
  StagingPaths paths;
  FormPaths(run.platform, paths);
  StageScriptRunner(run, paths);
  StageCopyOption(run, paths);
  ProfileFromFileOption(run);
  StageSignupProgram(run, paths);
  StageSideFiles(run, paths);
  StageConfiguration(run, paths);
  if (!run.options->next.IsEmpty()) CopyNextList(run, run.options->next.Get());
  DefaultsFromModuleName(run, paths);
  if (run.ScriptGiven)
    CopyScript(run, paths);
  else
    RunStagingPass(run);
}

}  // namespace kit
