// The launcher's Windows entry point.
#include <windows.h>

#include "launcher/launch_sequence.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine,
                   int /*nCmdShow*/) {
  kit::Win32Platform platform(hInstance);
  return kit::RunLaunch(platform, lpCmdLine);
}
