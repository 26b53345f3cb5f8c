// Reading a whole configuration file into a stream.
#pragma once

#include "launcher/run_state.h"

namespace kit {

class Platform;

enum class StreamFileResult {
  kAbsent,  // the file cannot be opened for reading
  kLoaded,
  kNoRoom,  // the stream could not be grown: the configuration is unusable
};

// Appends the whole file at `path` to `stream`, in reads of 1,024 bytes.
StreamFileResult LoadStreamFile(Platform& platform, const char* path, OidBuffer& stream);

}  // namespace kit
