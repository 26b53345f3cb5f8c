// Byte and character routines that the launcher needs instead of the C
// runtime's: it ships without one, so these are its own.
#pragma once

#include "support/types.h"

namespace kit {

void CopyBytes(void* to, const void* from, u32 count);
void FillBytes(void* to, u8 value, u32 count);
bool SameBytes(const void* a, const void* b, u32 count);

u32 TextLength(const char* text);
// Texts equal byte for byte.
bool SameText(const char* a, const char* b);
// ASCII letters compared without regard to case; other bytes exactly.
char FoldAscii(char c);
bool SamePrefixIgnoringCase(const char* text, const char* prefix, u32 count);

// Position of the last / first `c` in `text`, or -1.
i32 FindLast(const char* text, char c);
i32 FindFirst(const char* text, char c);

}  // namespace kit
