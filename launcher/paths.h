// Path helpers shared by the launch sequence and staging.
#pragma once

#include "support/text.h"

namespace kit {

class Platform;

// Ends `text` at its last '\', the backslash removed: 1 when it cut, 0 when
// the text holds none.
int CutAtLastBackslash(TextRef text);

// The kit folder: the module path cut right after its last '\'. False when
// it cannot be had or does not fit.
bool GetKitFolder(Platform& platform, TextRef out);

}  // namespace kit
