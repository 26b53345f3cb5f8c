// The LZSS window shared by the SZDD expander and compressor.
//
// A match names an absolute position in a 4096-byte ring, not a distance.
// The ring starts filled with blanks and the first byte goes to position
// 4096 - 16, so output byte `n` lands at (4080 + n) mod 4096. Treating the
// output as if 4096 blanks preceded it turns every position into a distance
// of 1 to 4096 back, which is how both directions work here.
#pragma once

#include "support/types.h"

namespace kit {

constexpr u32 kSzddWindowSize = 4096;
constexpr u32 kSzddWindowMask = kSzddWindowSize - 1;
constexpr u32 kSzddFirstPosition = kSzddWindowSize - 16;
constexpr u8 kSzddBlank = 0x20;
constexpr u32 kSzddMinMatch = 3;
constexpr u32 kSzddMaxMatch = 18;
// Output bytes per data byte at most: a two-byte match gives 18.
constexpr u32 kSzddMaxExpansion = kSzddMaxMatch / 2;

// How far back the ring position `position` lies from output byte
// `produced`: 1 to 4096, where 4096 is the slot about to be overwritten.
inline u32 SzddDistance(u32 produced, u32 position) {
  return ((kSzddFirstPosition + produced - position - 1) & kSzddWindowMask) + 1;
}

// The ring position of the byte `distance` back from output byte `produced`.
inline u32 SzddPosition(u32 produced, u32 distance) {
  return (kSzddFirstPosition + produced - distance) & kSzddWindowMask;
}

}  // namespace kit
