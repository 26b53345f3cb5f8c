#include "config/stream_file.h"

#include "platform/platform.h"

namespace kit {

StreamFileResult LoadStreamFile(Platform& platform, const char* path, OidBuffer& stream) {
  FileHandle file = platform.OpenForReading(path);
  if (file == nullptr) return StreamFileResult::kAbsent;
  StreamFileResult result = StreamFileResult::kLoaded;
  u8 chunk[1024];
  for (;;) {
    u32 got = platform.ReadFile(file, chunk, sizeof chunk);
    if (got == 0) break;
    if (!stream.Append(chunk, got)) {
      result = StreamFileResult::kNoRoom;
      break;
    }
  }
  platform.CloseFile(file);
  return result;
}

}  // namespace kit
