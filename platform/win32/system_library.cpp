#include "platform/win32/system_library.h"

#include "support/text.h"

namespace kit {

HMODULE LoadSystemLibrary(const char* name) {
  BoundedText<260> path;
  UINT length = GetSystemDirectoryA(path.Data(), path.kSize);
  if (length == 0 || length >= path.kSize - 1) return nullptr;
  if (!path.Append("\\") || !path.Append(name)) return nullptr;
  return LoadLibraryA(path.Get());
}

}  // namespace kit
