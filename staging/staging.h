// Preparing the temporary folder for the sign-up program.
#pragma once

#include "support/text.h"

namespace kit {

struct RunState;

// Never ends the launch: every step that cannot be done, a path that does
// not fit included, is skipped.
void StageTemporaryFolder(RunState& run);

// Copies every configuration that a next= token lists ("file=" entries
// ended by ';' or a double quote) from the kit folder into the temporary
// folder, each under its base name.
void CopyNextList(RunState& run, const char* nextToken);

}  // namespace kit
