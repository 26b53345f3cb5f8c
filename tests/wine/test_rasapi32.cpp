// A stand-in for the Remote Access Service library, for the end-to-end
// tests. The environment says what it reports:
//   KIT_RAS_CONNECTIONS  number of open connections (default 0)
//   KIT_RAS_LOG          file to which each call appends one line
// Each connection's handle is 0x1000 + its number, counting from 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kErrorBufferTooSmall = 603;
constexpr DWORD kErrorInvalidSize = 632;

void Log(const char* line) {
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA("KIT_RAS_LOG", path, sizeof path) == 0) return;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
}

DWORD Connections() {
  char value[32] = {};
  if (GetEnvironmentVariableA("KIT_RAS_CONNECTIONS", value, sizeof value) == 0) return 0;
  return static_cast<DWORD>(std::strtoul(value, nullptr, 10));
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    RasEnumConnectionsA(void* entries, DWORD* size, DWORD* count) {
  DWORD open = Connections();
  DWORD entrySize = 0;
  if (entries != nullptr) std::memcpy(&entrySize, entries, sizeof entrySize);
  DWORD result = 0;
  // dwSize, then the handle at the next pointer-aligned offset.
  const DWORD handleAt = sizeof(void*);
  if (entries == nullptr || size == nullptr || count == nullptr ||
      entrySize < handleAt + sizeof(void*)) {
    result = kErrorInvalidSize;
  } else if (static_cast<unsigned long long>(open) * entrySize > *size) {
    *size = open * entrySize;
    result = kErrorBufferTooSmall;
  } else {
    for (DWORD i = 0; i < open; ++i) {
      char* entry = static_cast<char*>(entries) + i * entrySize;
      void* handle = reinterpret_cast<void*>(static_cast<ULONG_PTR>(0x1000 + i + 1));
      std::memcpy(entry + handleAt, &handle, sizeof handle);
      if (entrySize >= handleAt + sizeof(void*) + 257)
        std::strcpy(entry + handleAt + sizeof(void*), "Kit test line");
    }
    *count = open;
  }
  char line[160];
  std::snprintf(line, sizeof line, "enum dwSize=%lu size=%lu open=%lu result=%lu",
                static_cast<unsigned long>(entrySize), static_cast<unsigned long>(size ? *size : 0),
                static_cast<unsigned long>(open), static_cast<unsigned long>(result));
  Log(line);
  return result;
}

extern "C" __declspec(dllexport) DWORD WINAPI RasHangUpA(void* connection) {
  char line[64];
  std::snprintf(line, sizeof line, "hangup 0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(connection)));
  Log(line);
  return 0;
}
