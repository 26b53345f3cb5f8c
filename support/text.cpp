#include "support/text.h"

namespace kit {

bool TextRef::Assign(const char* text, u32 count) {
  if (count > Capacity()) return false;
  // `text` may lie inside this buffer (a cut of our own value), so move.
  if (text != bytes_) {
    if (text > bytes_) {
      for (u32 i = 0; i < count; ++i) bytes_[i] = text[i];
    } else {
      for (u32 i = count; i > 0; --i) bytes_[i - 1] = text[i - 1];
    }
  }
  bytes_[count] = '\0';
  return true;
}

bool TextRef::Append(const char* text, u32 count) {
  u32 length = Length();
  if (count > Capacity() - length) return false;
  CopyBytes(bytes_ + length, text, count);
  bytes_[length + count] = '\0';
  return true;
}

void TextRef::AssignCut(const char* text, u32 count) {
  Assign(text, count < Capacity() ? count : Capacity());
}

void TextRef::Truncate(u32 length) {
  if (length < size_ && length < Length()) bytes_[length] = '\0';
}

bool TextRef::KeepThroughLast(char c) {
  i32 at = FindLast(bytes_, c);
  if (at < 0) return false;
  bytes_[at + 1] = '\0';
  return true;
}

bool TextRef::EndAtLast(char c) {
  i32 at = FindLast(bytes_, c);
  if (at < 0) return false;
  bytes_[at] = '\0';
  return true;
}

}  // namespace kit
