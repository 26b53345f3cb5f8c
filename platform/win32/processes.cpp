// Processes, the quit message and sleeping.
#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace kit {

ProcessHandle Win32Platform::StartProcess(const ProcessRequest& request) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = request.startupFlags;
  startup.wShowWindow = request.showWindow;
  PROCESS_INFORMATION created;
  ZeroMemory(&created, sizeof created);
  if (!CreateProcessA(request.applicationName, request.commandLine, nullptr, nullptr,
                      request.inheritHandles ? TRUE : FALSE, request.creationFlags, nullptr,
                      nullptr, &startup, &created))
    return nullptr;
  CloseHandle(created.hThread);
  return created.hProcess;
}

void Win32Platform::WaitForProcess(ProcessHandle process) {
  WaitForSingleObject(static_cast<HANDLE>(process), INFINITE);
}

void Win32Platform::CloseProcess(ProcessHandle process) { CloseHandle(static_cast<HANDLE>(process)); }

void Win32Platform::RunHidden(const char* commandLine) { WinExec(commandLine, SW_HIDE); }

void Win32Platform::PostQuit(int exitCode) { PostQuitMessage(exitCode); }

void Win32Platform::Sleep(u32 milliseconds) { ::Sleep(milliseconds); }

}  // namespace kit
