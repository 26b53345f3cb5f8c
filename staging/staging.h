// Preparing the temporary folder for the sign-up program.
#pragma once

namespace kit {

struct RunState;

// Never ends the launch: every step that cannot be done is skipped.
void StageTemporaryFolder(RunState& run);

}  // namespace kit
