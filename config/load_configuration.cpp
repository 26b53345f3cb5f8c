#include "config/load_configuration.h"

#include "launcher/launch_options.h"
#include "launcher/run_state.h"
#include "platform/platform.h"

namespace kit {

// Minimal until the record reader lands: a ".oid" beside the launcher is
// enough to go on.
int LoadConfiguration(RunState& run) {
  BoundedText<255> path;
  if (!run.platform.GetModulePath(path.Ref())) return 0;
  const char* file = run.options->file.Get();
  if (file[0] == '\0') {
    if (!path.Ref().KeepThroughLast('.') || !path.Append("oid")) return 0;
  } else {
    i32 equals = FindLast(file, '=');
    if (!path.Ref().KeepThroughLast('\\') || !path.Append(file + equals + 1) ||
        !path.Append(".oid"))
      return 0;
  }
  FileHandle handle = run.platform.OpenForReading(path.Get());
  if (handle == nullptr) return 0;
  run.platform.CloseFile(handle);
  run.ConfigSource = kConfigFromFile;
  return 1;
}

}  // namespace kit
