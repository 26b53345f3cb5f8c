// Expansion of the compressed sign-up program by the version-installation
// service, loaded from the system folder for this one call.
#include <windows.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"

namespace kit {
namespace {

constexpr DWORD kForceInstall = 0x00000001;  // VIFF_FORCEINSTALL

using VerInstallFileAProc = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR,
                                           PUINT);

}  // namespace

bool Win32Platform::ExpandFile(const char* folder, const char* sourceName,
                               const char* destName) {
  HMODULE library = LoadSystemLibrary("VERSION.dll");
  if (library == nullptr) return false;
  auto install = reinterpret_cast<VerInstallFileAProc>(
      reinterpret_cast<void*>(GetProcAddress(library, "VerInstallFileA")));
  bool done = false;
  if (install != nullptr) {
    char currentFolder[1] = {'\0'};  // no earlier version installed
    char reportedTemp[255] = {};
    UINT reportedLength = sizeof reportedTemp;
    install(kForceInstall, const_cast<LPSTR>(sourceName), const_cast<LPSTR>(destName),
            const_cast<LPSTR>(folder), const_cast<LPSTR>(folder), currentFolder, reportedTemp,
            &reportedLength);
    done = true;  // the service's result is not examined
  }
  FreeLibrary(library);
  return done;
}

}  // namespace kit
