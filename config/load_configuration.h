// Finding, loading and reading the kit's configuration.
#pragma once

namespace kit {

struct RunState;

// 1: a configuration was loaded and the agreement, if any, accepted; go on.
// 0: no configuration, or a refusal; the launch ends.
int LoadConfiguration(RunState& run);

}  // namespace kit
