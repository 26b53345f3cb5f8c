#include "kittool/pack.h"

#include "config/package_search.h"
#include "kittool/stored_config.h"
#include "kittool/tool_error.h"

namespace kittool {

Bytes PackKit(const Bytes& launcher, const Bytes& stored, const std::string& launcherName) {
  if (!LooksLikeExecutable(launcher))
    throw ToolError(launcherName + ": not a Windows executable (no \"MZ\" header)");
  uint32_t imageEnd = ImageEnd(launcher);
  if (imageEnd == 0)
    throw ToolError(launcherName +
                    ": not a PE image; the launcher's marker search could not "
                    "start behind it");
  if (imageEnd > launcher.size())
    throw ToolError(launcherName + ": its sections end at byte " + std::to_string(imageEnd) +
                    ", beyond its " + std::to_string(launcher.size()) + " bytes: a cut file");
  PackageSearch existing = FindPackage(launcher);
  if (existing.found)
    throw ToolError(launcherName + ": already holds the marker at byte " +
                    std::to_string(existing.markerOffset) + ", at or after byte " +
                    std::to_string(imageEnd) +
                    " where the launcher's search starts (the end of its image): it already "
                    "carries a package, and the launcher would read that one instead");

  Bytes packed = launcher;
  uint8_t marker[kit::kMarkerLength];
  kit::BuildPackageMarker(marker);
  packed.insert(packed.end(), marker, marker + kit::kMarkerLength);
  packed.insert(packed.end(), stored.begin(), stored.end());
  if (packed.size() > 0xFFFFFFFFu)
    throw ToolError(launcherName +
                    ": the packed kit would pass 4 GiB, beyond the launcher's "
                    "32-bit file offsets");

  // The launcher's own search must find exactly what was appended.
  PackageSearch found = FindPackage(packed);
  if (!found.found || found.markerOffset != launcher.size() || found.stored != stored)
    throw ToolError(launcherName +
                    ": the launcher's search does not find the appended "
                    "configuration where it was put");
  return packed;
}

}  // namespace kittool
