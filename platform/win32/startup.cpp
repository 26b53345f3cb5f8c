// The launcher's own start-up code and the few runtime routines it needs.
//
// The launcher is linked without the C runtime: early Windows 95 releases
// lack msvcrt.dll, and its start-up code reaches for wide-character entry
// points that Windows 95 only stubs. What the compiler may call on its own
// (memcpy, memset, memmove, memcmp) and the allocation operators are here.
#include <windows.h>

#include <new>

#include "support/types.h"

extern "C" {

void* memcpy(void* to, const void* from, size_t count) {
  auto* d = static_cast<unsigned char*>(to);
  auto* s = static_cast<const unsigned char*>(from);
  while (count--) *d++ = *s++;
  return to;
}

void* memmove(void* to, const void* from, size_t count) {
  auto* d = static_cast<unsigned char*>(to);
  auto* s = static_cast<const unsigned char*>(from);
  if (d < s) {
    while (count--) *d++ = *s++;
  } else {
    while (count--) d[count] = s[count];
  }
  return to;
}

void* memset(void* to, int value, size_t count) {
  auto* d = static_cast<unsigned char*>(to);
  while (count--) *d++ = static_cast<unsigned char>(value);
  return to;
}

int memcmp(const void* a, const void* b, size_t count) {
  auto* x = static_cast<const unsigned char*>(a);
  auto* y = static_cast<const unsigned char*>(b);
  for (; count--; ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

size_t strlen(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

void __cxa_pure_virtual() { ExitProcess(0); }

}  // extern "C"

const std::nothrow_t std::nothrow{};

// The allocation operators: the process heap, with a failure reported as a
// null pointer (the launcher is built without exceptions).
void* operator new(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size ? size : 1); }
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void operator delete(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

namespace {

// The text after the program name, quoted or not, and after the blanks and
// control characters that follow it: what a GUI entry point receives.
char* ArgumentsOf(char* commandLine) {
  char* at = commandLine;
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (static_cast<unsigned char>(*at) > ' ') ++at;
  }
  while (*at != '\0' && static_cast<unsigned char>(*at) <= ' ') ++at;
  return at;
}

}  // namespace

extern "C" void LauncherStartup() {
  // Our own writable copy: the option parser consumes it in place.
  const char* original = GetCommandLineA();
  size_t length = 0;
  while (original[length] != '\0') ++length;
  char* copy = static_cast<char*>(operator new(length + 1));
  int exitCode = 0;
  if (copy != nullptr) {
    memcpy(copy, original, length + 1);
    exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, ArgumentsOf(copy), SW_SHOWDEFAULT);
  }
  ExitProcess(static_cast<UINT>(exitCode));
}
