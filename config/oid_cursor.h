// The read position in a descrambled configuration stream.
//
// The stream carries no lengths or counts of its own, so the cursor carries
// the stream's end: no read may go past it, whatever a length in the stream
// says.
#pragma once

#include "support/types.h"

namespace kit {

struct OidCursor {
  OidCursor(const u8* start, u32 length) : next(start), end(start + length) {}

  u32 Remaining() const { return static_cast<u32>(end - next); }

  // Takes `count` bytes: points `bytes` at them and moves past them. When
  // fewer remain, the cursor moves to the end, `ranOut` is set and the
  // result is false.
  bool Take(u32 count, const u8** bytes) {
    if (count > Remaining()) {
      next = end;
      ranOut = true;
      return false;
    }
    *bytes = next;
    next += count;
    return true;
  }

  const u8* next;
  const u8* end;
  bool ranOut = false;
};

}  // namespace kit
