// Libraries that the launcher loads by their full path in the system folder,
// never through the DLL search path, so that a copy planted beside the kit
// is never loaded.
#pragma once

#include <windows.h>

namespace kit {

// Loads system folder + '\' + `name`; null when the path does not fit or the
// library cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace kit
