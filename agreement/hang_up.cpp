#include "agreement/hang_up.h"

#include "launcher/run_state.h"
#include "platform/platform.h"
#include "support/memory.h"
#include "support/text.h"

namespace kit {
namespace {

constexpr u32 kLibraryPathSize = 250;
constexpr u32 kLineDropMilliseconds = 3000;
// The entry buffer holds one entry, so at most one is hung up.
constexpr u32 kEntriesInBuffer = 1;

// System folder + "\Rasapi32.dll"; false when it does not fit.
bool BuildLibraryPath(Platform& platform, TextRef path) {
  return platform.GetSystemFolder(path) && path.Append("\\Rasapi32.dll");
}

}  // namespace

u32 CallRasEnumConnections(Platform& platform, RasConnectionEntry* entries, u32* size, u32* count) {
  BoundedText<kLibraryPathSize> path;
  if (!BuildLibraryPath(platform, path.Ref())) return 1;
  return platform.RasEnumConnections(path.Get(), entries, size, count);
}

u32 CallRasHangUp(Platform& platform, void* connection) {
  BoundedText<kLibraryPathSize> path;
  if (!BuildLibraryPath(platform, path.Ref())) return 1;
  return platform.RasHangUp(path.Get(), connection);
}

void HangUpOpenConnections(RunState& run) {
  if (run.HangUpOnRefusal == 0) return;
  auto* entries = static_cast<RasConnectionEntry*>(
      AllocateZeroed(sizeof(RasConnectionEntry) * kEntriesInBuffer));
  if (entries == nullptr) return;
  entries->dwSize = sizeof(RasConnectionEntry);
  entries->hrasconn = nullptr;
  u32 size = sizeof(RasConnectionEntry) * kEntriesInBuffer;
  u32 count = 0;

  u32 result = CallRasEnumConnections(run.platform, entries, &size, &count);
  if (result == 0 && entries->hrasconn != nullptr && static_cast<i32>(count) > 0) {
    // A count above what the buffer holds is the service's mistake; only
    // the entries really in the buffer are read.
    u32 reported = count < kEntriesInBuffer ? count : kEntriesInBuffer;
    for (u32 i = 0; i < reported; ++i) {
      CallRasHangUp(run.platform, entries[i].hrasconn);
      run.platform.Sleep(kLineDropMilliseconds);
    }
  }
  ReleaseBlock(entries);
}

}  // namespace kit
