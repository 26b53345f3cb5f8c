// Appending a configuration to a launcher: the launcher, the ten-byte
// marker, then the stored configuration.
#pragma once

#include <string>

#include "kittool/files.h"

namespace kittool {

// ToolError (naming `launcherName`) for a file that is not a whole PE
// image, or one in which the launcher's search would already find a marker:
// the new configuration would then never be read.
Bytes PackKit(const Bytes& launcher, const Bytes& stored, const std::string& launcherName);

}  // namespace kittool
