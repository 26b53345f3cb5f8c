// Where a launch's time goes beyond starting the sign-up program, timed
// inside one Windows process:
//
//   user32_gdi32_us   loading USER32 and GDI32, which the launcher's imports
//                     make every launch pay, dialog or not
//   verinstall_us     the compressed program written out and expanded by
//                     VerInstallFileA, as the launcher stages it
//   in_memory_us      the same program expanded in memory by our expander
//                     and written with one WriteFile, for comparison
//
//   launch_probe.exe FOLDER\   (FOLDER holds install.bin; it receives the
//                               expanded copies)
//
// Prints one line of name=value pairs on its standard output.
#include <windows.h>

#include "support/buffer.h"
#include "szdd/szdd.h"

namespace {

using kit::u32;
using kit::u8;

constexpr DWORD kForceInstall = 0x00000001;  // VIFF_FORCEINSTALL
using VerInstallFileAProc = DWORD(WINAPI*)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR,
                                           PUINT);

LARGE_INTEGER frequency;

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

long long Microseconds(long long from, long long to) {
  return (to - from) * 1000000 / frequency.QuadPart;
}

void Append(char* text, const char* more) {
  while (*text != '\0') ++text;
  while ((*text++ = *more++) != '\0') {
  }
}

void AppendNumber(char* text, long long value) {
  char digits[24];
  int n = 0;
  if (value < 0) value = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  char out[24];
  for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  out[n] = '\0';
  Append(text, out);
}

bool ReadWhole(const char* path, kit::ByteBuffer& bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr), got = 0;
  bool ok = size != INVALID_FILE_SIZE && bytes.Resize(size) &&
            ReadFile(file, bytes.Data(), size, &got, nullptr) && got == size;
  CloseHandle(file);
  return ok;
}

bool WriteWhole(const char* path, const u8* bytes, u32 size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
  CloseHandle(file);
  return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR folder, int) {
  QueryPerformanceFrequency(&frequency);
  char path[MAX_PATH] = {};
  char line[256] = {};

  long long start = Now();
  HMODULE user32 = LoadLibraryA("USER32.dll");
  HMODULE gdi32 = LoadLibraryA("GDI32.dll");
  long long loaded = Now();
  Append(line, "user32_gdi32_us=");
  AppendNumber(line, user32 != nullptr && gdi32 != nullptr ? Microseconds(start, loaded) : -1);

  kit::ByteBuffer blob;
  Append(path, folder);
  Append(path, "install.bin");
  if (!ReadWhole(path, blob)) return 1;

  // As the launcher stages it: the blob to temp.ex_, then the service.
  start = Now();
  path[0] = '\0';
  Append(path, folder);
  Append(path, "temp.ex_");
  WriteWhole(path, blob.Data(), blob.Length());
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  Append(system, "\\VERSION.dll");
  HMODULE version = LoadLibraryA(system);
  auto install = version == nullptr ? nullptr
                                    : reinterpret_cast<VerInstallFileAProc>(
                                          reinterpret_cast<void*>(
                                              GetProcAddress(version, "VerInstallFileA")));
  if (install == nullptr) return 1;
  char current[1] = {'\0'};
  char reported[255] = {};
  UINT reportedLength = sizeof reported;
  install(kForceInstall, const_cast<LPSTR>("temp.ex_"), const_cast<LPSTR>("temp.exe"), folder,
          folder, current, reported, &reportedLength);
  FreeLibrary(version);
  long long installed = Now();
  Append(line, " verinstall_us=");
  AppendNumber(line, Microseconds(start, installed));

  start = Now();
  kit::ByteBuffer program;
  bool expanded = kit::ExpandSzdd(blob.Data(), blob.Length(), program) == kit::SzddStatus::kOk;
  path[0] = '\0';
  Append(path, folder);
  Append(path, "temp2.exe");
  expanded = expanded && WriteWhole(path, program.Data(), program.Length());
  long long written = Now();
  Append(line, " in_memory_us=");
  AppendNumber(line, expanded ? Microseconds(start, written) : -1);
  Append(line, "\n");

  DWORD count = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, lstrlenA(line), &count, nullptr);
  return 0;
}
