#include "support/bytes.h"

namespace kit {

void CopyBytes(void* to, const void* from, u32 count) {
  u8* d = static_cast<u8*>(to);
  const u8* s = static_cast<const u8*>(from);
  for (u32 i = 0; i < count; ++i) d[i] = s[i];
}

void FillBytes(void* to, u8 value, u32 count) {
  u8* d = static_cast<u8*>(to);
  for (u32 i = 0; i < count; ++i) d[i] = value;
}

bool SameBytes(const void* a, const void* b, u32 count) {
  const u8* x = static_cast<const u8*>(a);
  const u8* y = static_cast<const u8*>(b);
  for (u32 i = 0; i < count; ++i)
    if (x[i] != y[i]) return false;
  return true;
}

u32 TextLength(const char* text) {
  u32 n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

bool SameText(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return false;
    if (*a == '\0') return true;
  }
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SamePrefixIgnoringCase(const char* text, const char* prefix, u32 count) {
  for (u32 i = 0; i < count; ++i) {
    if (text[i] == '\0' || prefix[i] == '\0') return false;
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

i32 FindLast(const char* text, char c) {
  i32 found = -1;
  for (i32 i = 0; text[i] != '\0'; ++i)
    if (text[i] == c) found = i;
  return found;
}

i32 FindFirst(const char* text, char c) {
  for (i32 i = 0; text[i] != '\0'; ++i)
    if (text[i] == c) return i;
  return -1;
}

}  // namespace kit
