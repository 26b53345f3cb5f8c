// The seam's ExpandFile done by our own expander in memory, in place of
// VerInstallFileA, for the launcher_mem variant only: linked ahead of the
// seam's library, whose own version the linker then leaves out. What the
// whole-launch benchmark learns from it is what the service costs.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "support/buffer.h"
#include "support/text.h"
#include "szdd/szdd.h"

namespace kit {
namespace {

bool ReadWhole(const char* path, ByteBuffer& bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr), got = 0;
  bool ok = size != INVALID_FILE_SIZE && bytes.Resize(size) &&
            ::ReadFile(file, bytes.Data(), size, &got, nullptr) && got == size;
  CloseHandle(file);
  return ok;
}

}  // namespace

bool Win32Platform::ExpandFile(const char* folder, const char* sourceName,
                               const char* destName) {
  BoundedText<260> source, dest;
  if (!source.Assign(folder) || !source.Append(sourceName) || !dest.Assign(folder) ||
      !dest.Append(destName))
    return false;
  ByteBuffer packed, program;
  if (!ReadWhole(source.Get(), packed) ||
      ExpandSzdd(packed.Data(), packed.Length(), program) != SzddStatus::kOk)
    return false;
  HANDLE out = CreateFileA(dest.Get(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(out, program.Data(), program.Length(), &written, nullptr) &&
            written == program.Length();
  CloseHandle(out);
  return ok;
}

}  // namespace kit
