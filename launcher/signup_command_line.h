// The sign-up program's command line, built from the launch options.
#pragma once

#include "launcher/run_state.h"

namespace kit {

struct LaunchOptions;

// Appends the options to `commandLine` in their fixed order, then turns the
// first '$' of the whole text into a blank. An item that would not fit is
// left out whole; the items after it still go in when they fit.
void BuildSignupCommandLine(const LaunchOptions& options,
                            const ApplicationBuffer& application,
                            SignupCommandLine& commandLine);

}  // namespace kit
