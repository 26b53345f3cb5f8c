// Hanging up the open dial-up connection when the customer refuses the
// agreement of a kit whose configuration is appended to the launcher.
//
// The Remote Access Service library is not imported: Windows 95 may not have
// it. It is loaded by its full path in the system folder for each call.
#pragma once

#include "support/types.h"

namespace kit {

class Platform;
struct RunState;

// One connection entry as the Windows 95 and NT 4 interface lays it out:
// 412 bytes in the 32-bit build. The later, larger layout that today's
// headers declare is refused by those systems.
struct RasConnectionEntry {
  u32 dwSize;
  void* hrasconn;
  char szEntryName[257];
  char szDeviceType[17];
  char szDeviceName[129];
};

static_assert(sizeof(void*) != 4 || sizeof(RasConnectionEntry) == 412,
              "the 32-bit entry is the 412-byte form");
static_assert(sizeof(void*) != 8 || sizeof(RasConnectionEntry) == 424,
              "the 64-bit entry is the same fields with natural alignment");

// RasEnumConnectionsA of system folder + "\Rasapi32.dll": its result (0 for
// success), or 1 when the library, its entry point or its path cannot be
// had (a system folder too long for the 250-byte path means no call).
u32 CallRasEnumConnections(Platform& platform, RasConnectionEntry* entries, u32* size, u32* count);
// RasHangUpA of the same library, with the same results.
u32 CallRasHangUp(Platform& platform, void* connection);

// When `HangUpOnRefusal` is set: hangs up the one open connection and waits
// three seconds for the line to drop. Nothing when none or several are open.
void HangUpOpenConnections(RunState& run);

}  // namespace kit
