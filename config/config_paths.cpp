#include "config/config_paths.h"

#include "launcher/launch_options.h"
#include "launcher/paths.h"
#include "platform/platform.h"

namespace kit {
namespace {

bool KitFolderAndName(Platform& platform, const char* name, TextRef path) {
  return GetKitFolder(platform, path) && path.Append(name) && path.Append(".oid");
}

}  // namespace

bool FormLoadingPath(Platform& platform, const LaunchOptions& options, TextRef path) {
  path.Clear();
  const char* file = options.file.Get();
  if (file[0] != '\0') return KitFolderAndName(platform, file + FindLast(file, '=') + 1, path);
  // The dot may lie in a folder name (C:\my.kits\setup gives C:\my.oid);
  // that is the rule kits have always been named by.
  return platform.GetModulePath(path) && path.KeepThroughLast('.') && path.Append("oid");
}

bool FormStagingPassPath(Platform& platform, const LaunchOptions& options, TextRef path) {
  path.Clear();
  const char* file = options.file.Get();
  i32 equals = FindFirst(file, '=');
  return equals >= 0 && KitFolderAndName(platform, file + equals + 1, path);
}

}  // namespace kit
