// Remote Access Service calls, each loading the library by its full path.
#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace kit {
namespace {

using RasEnumConnectionsAProc = DWORD(WINAPI*)(void*, DWORD*, DWORD*);
using RasHangUpAProc = DWORD(WINAPI*)(void*);

}  // namespace

u32 Win32Platform::RasEnumConnections(const char* libraryPath, void* entries, u32* size,
                                      u32* count) {
  HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) return 1;
  auto enumerate = reinterpret_cast<RasEnumConnectionsAProc>(
      reinterpret_cast<void*>(GetProcAddress(library, "RasEnumConnectionsA")));
  u32 result = 1;
  if (enumerate != nullptr) {
    DWORD bytes = *size;
    DWORD found = *count;
    result = enumerate(entries, &bytes, &found);
    *size = bytes;
    *count = found;
  }
  FreeLibrary(library);
  return result;
}

u32 Win32Platform::RasHangUp(const char* libraryPath, void* connection) {
  HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) return 1;
  auto hangUp = reinterpret_cast<RasHangUpAProc>(
      reinterpret_cast<void*>(GetProcAddress(library, "RasHangUpA")));
  u32 result = hangUp != nullptr ? hangUp(connection) : 1;
  FreeLibrary(library);
  return result;
}

}  // namespace kit
