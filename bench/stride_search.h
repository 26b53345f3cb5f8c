// A candidate for the launcher's marker search, measured beside it: probe
// every tenth byte instead of stepping by Horspool's skips.
//
// A ten-byte marker always covers exactly one of the positions 9, 19, 29, ...
// of a block, so only those bytes need looking at; a probe whose byte is not
// one of the marker's rules out the ten positions around it. Unlike the
// skips, each probe's address is known in advance, so the processor runs
// several at once instead of waiting for one load to learn the next. Written
// under the launcher's rules (no library calls, fixed buffers) so that it
// could replace FindMarkerIn as it stands.
#pragma once

#include "config/package_search.h"
#include "support/types.h"

namespace kit {
namespace bench {

class StrideSearch {
 public:
  explicit StrideSearch(const u8* marker) : marker_(marker) {
    for (u32 c = 0; c < 256; ++c) offsets_[c] = 0;
    for (u32 j = 0; j < kMarkerLength; ++j) offsets_[marker[j]] |= static_cast<u16>(1u << j);
  }

  // The first position in `bytes` where the whole marker starts, or -1.
  i32 Find(const u8* bytes, u32 length) const {
    if (length < kMarkerLength) return -1;
    u32 probe = kMarkerLength - 1;
    // Four probes per round; most rounds meet none of the marker's bytes.
    while (probe + 3 * kMarkerLength < length) {
      if ((offsets_[bytes[probe]] | offsets_[bytes[probe + kMarkerLength]] |
           offsets_[bytes[probe + 2 * kMarkerLength]] |
           offsets_[bytes[probe + 3 * kMarkerLength]]) == 0) {
        probe += 4 * kMarkerLength;
        continue;
      }
      for (u32 k = 0; k < 4; ++k, probe += kMarkerLength) {
        i32 at = CheckProbe(bytes, length, probe);
        if (at >= 0) return at;
      }
    }
    for (; probe < length; probe += kMarkerLength) {
      i32 at = CheckProbe(bytes, length, probe);
      if (at >= 0) return at;
    }
    return -1;
  }

 private:
  // The marker starts at probe - j for each j where its byte j is the
  // probed byte; the largest j first, so that the first match is found first.
  i32 CheckProbe(const u8* bytes, u32 length, u32 probe) const {
    u32 candidates = offsets_[bytes[probe]];
    while (candidates != 0) {
      u32 j = 31 - static_cast<u32>(__builtin_clz(candidates));
      candidates &= ~(1u << j);
      u32 at = probe - j;
      if (at + kMarkerLength <= length && Matches(bytes + at)) return static_cast<i32>(at);
    }
    return -1;
  }

  // Whole words rather than a byte at a time: on content made of the
  // marker's own letters nearly every probe has candidates, and a byte loop
  // that ends at a random byte is a branch the processor cannot predict.
  bool Matches(const u8* at) const {
    uint64_t head, want;
    __builtin_memcpy(&head, at, 8);
    __builtin_memcpy(&want, marker_, 8);
    return head == want && at[8] == marker_[8] && at[9] == marker_[9];
  }

  const u8* marker_;
  u16 offsets_[256];
};

}  // namespace bench
}  // namespace kit
