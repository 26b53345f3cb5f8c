#include "config/load_configuration.h"

#include "agreement/hang_up.h"
#include "config/config_paths.h"
#include "config/package_search.h"
#include "config/read_pass.h"
#include "config/scramble.h"
#include "config/stream_file.h"
#include "launcher/launch_options.h"
#include "launcher/run_state.h"
#include "platform/platform.h"

namespace kit {
namespace {

// Descrambles the loaded stream, then the picture pass and the interactive
// pass. Only the customer's refusal of an appended configuration hangs up,
// and only when the configuration asks for it.
int ReadLoadedStream(RunState& run, OidBuffer& stream) {
  ScrambleOid(stream, kScrambleBlockSize, false);  // no trailer: cannot fail
  ReadOidPass(run, stream, OidPass::kPicture);
  if (ReadOidPass(run, stream, OidPass::kInteractive) != 0) return 1;
  if (run.ConfigSource == kConfigFromPackage && run.AgreementRefused && run.HangUpOnRefusal)
    HangUpOpenConnections(run);
  return 0;
}

// The package behind the marker in the launcher's own executable, into the
// run's held stream.
bool LoadAppendedPackage(RunState& run) {
  Platform& platform = run.platform;
  BoundedText<260> executable;
  if (!platform.GetModulePath(executable.Ref())) return false;
  FileHandle file = platform.OpenForReading(executable.Get());
  if (file == nullptr) return false;
  u32 start = FindImageEnd(platform, file);
  bool loaded = ReadPackageBehindMarker(platform, file, start, run.packageStream);
  platform.CloseFile(file);
  return loaded;
}

}  // namespace

int LoadConfiguration(RunState& run) {
  // A configuration file beside the launcher comes first. When no name can
  // be formed for one (no file= and no '.' in the module path) or it does
  // not fit, only the appended package is left.
  BoundedText<255> path;
  if (run.options != nullptr && FormLoadingPath(run.platform, *run.options, path.Ref())) {
    OidBuffer stream;
    switch (LoadStreamFile(run.platform, path.Get(), stream)) {
      case StreamFileResult::kLoaded:
        run.ConfigSource = kConfigFromFile;
        return ReadLoadedStream(run, stream);
      case StreamFileResult::kNoRoom:
        return 0;
      case StreamFileResult::kAbsent:
        break;
    }
  }
  run.packageStream.Release();
  if (!LoadAppendedPackage(run)) return 0;
  run.ConfigSource = kConfigFromPackage;
  return ReadLoadedStream(run, run.packageStream);
}

}  // namespace kit
