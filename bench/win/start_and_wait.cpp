// The least any launcher must do: start a program that is already on disk,
// given as the whole command line, and wait until it ends. Built twice: as
// is, and importing USER32 and GDI32 like the launcher (KIT_IMPORT_USER32).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  STARTUPINFOA startup;
  char* bytes = reinterpret_cast<char*>(&startup);
  for (unsigned i = 0; i < sizeof startup; ++i) bytes[i] = 0;
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return 1;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
#ifdef KIT_IMPORT_USER32
  // Never true: only there so that the system loads both libraries at start,
  // as it does for the launcher.
  if (process.dwProcessId == 0xFFFFFFFFu) return GetSystemMetrics(SM_CXSCREEN) + GdiFlush();
#endif
  return 0;
}
