// The field kinds of a descrambled configuration stream.
//
// The stream is untrusted kit data: every read is checked against its end.
// A read that runs out moves the cursor to the end, sets `ranOut` and yields
// an empty value, so a damaged stream never makes the reader look past it.
#pragma once

#include "config/oid_cursor.h"
#include "support/text.h"
#include "support/types.h"

namespace kit {

// A stored text as the reader delivers it, still inside the stream: up to
// its first zero byte, with "blank" standing for the empty text. Not
// zero-terminated.
struct OidText {
  const char* chars = "";
  u32 length = 0;

  bool Is(const char* text) const;
};

// Four bytes, first byte least significant. 0 when the stream ran out.
u32 ReadOidNumber(OidCursor& cursor);

// Four bytes; 1 when the first is not 0. 0 when the stream ran out.
u32 ReadOidFlag(OidCursor& cursor);

// A length byte, or 0xFF and a 16-bit length, then the text's bytes. False
// when the stream ends inside it; `text` is then empty.
bool TakeOidText(OidCursor& cursor, OidText* text);

// Reads a text into `destination`, cut to its capacity. False when the
// stream ends inside it; `destination` is then empty.
bool ReadOidText(OidCursor& cursor, TextRef destination);

}  // namespace kit
