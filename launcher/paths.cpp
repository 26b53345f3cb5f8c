#include "launcher/paths.h"

#include "platform/platform.h"

namespace kit {

int CutAtLastBackslash(TextRef text) { return text.EndAtLast('\\') ? 1 : 0; }

bool GetKitFolder(Platform& platform, TextRef out) {
  out.Clear();
  if (!platform.GetModulePath(out)) return false;
  if (!out.KeepThroughLast('\\')) {
    out.Clear();
    return false;
  }
  return true;
}

}  // namespace kit
