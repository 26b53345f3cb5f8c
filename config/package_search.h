// The package appended to the launcher's own executable: a ten-byte marker,
// then the scrambled configuration up to the end of the file.
#pragma once

#include "launcher/run_state.h"
#include "platform/platform.h"

namespace kit {

constexpr u32 kMarkerLength = 10;

// The marker, made from its stored form at run time: the stored form is the
// only form of it in the launcher's image, so the launcher cannot mistake
// its own bytes for a package.
void BuildPackageMarker(u8* marker);

// Where the search for the marker starts: the end of the PE image's raw
// data (the furthest end of a section, or of the headers), which is where
// an appended package begins. A file that is not a PE image is searched
// from its start.
u32 FindImageEnd(Platform& platform, FileHandle file);

// Finds the first marker that starts at or after `start` and appends
// everything behind it to `stream`. False when there is none, or the stream
// cannot be grown.
bool ReadPackageBehindMarker(Platform& platform, FileHandle file, u32 start, OidBuffer& stream);

}  // namespace kit
