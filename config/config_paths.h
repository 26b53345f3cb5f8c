// The names under which a configuration file is looked for.
#pragma once

#include "support/text.h"

namespace kit {

class Platform;
struct LaunchOptions;

// The `.oid` that loading tries first. Without file=: the module path cut
// right after its last '.', then "oid". With file=: the kit folder, the
// token's text after its LAST '=', then ".oid". False when no path can be
// formed (a module path without any '.') or it does not fit: loading then
// turns to the appended package.
bool FormLoadingPath(Platform& platform, const LaunchOptions& options, TextRef path);

// The file the staging pass reads: the kit folder, the file= token's text
// after its FIRST '=', then ".oid". False when file= holds no '=' or the path
// does not fit.
bool FormStagingPassPath(Platform& platform, const LaunchOptions& options, TextRef path);

}  // namespace kit
