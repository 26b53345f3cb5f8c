// Bounded texts: zero-terminated character buffers of a fixed size that can
// never be written past.
//
// Every operation that could overflow reports `false` and leaves the text as
// it was, so a value that does not fit is refused on purpose. Where a caller
// chooses to cut instead, it says so by calling a `...Cut` operation.
#pragma once

#include "support/bytes.h"
#include "support/types.h"

namespace kit {

// A view of a character buffer of `size` bytes (terminating zero included).
// It does not own the bytes.
class TextRef {
 public:
  TextRef(char* bytes, u32 size) : bytes_(bytes), size_(size) {}

  const char* Get() const { return bytes_; }
  char* Data() { return bytes_; }
  u32 Size() const { return size_; }
  u32 Capacity() const { return size_ - 1; }  // characters that fit
  u32 Length() const { return TextLength(bytes_); }
  bool IsEmpty() const { return bytes_[0] == '\0'; }

  // Fills the whole buffer with zeros.
  void Clear() { FillBytes(bytes_, 0, size_); }

  // Replace or extend; false (and no change) when the result would not fit.
  bool Assign(const char* text) { return Assign(text, TextLength(text)); }
  bool Assign(const char* text, u32 count);
  bool Append(const char* text) { return Append(text, TextLength(text)); }
  bool Append(const char* text, u32 count);
  bool AppendChar(char c) { return Append(&c, 1); }

  // Replace with as much of `text` as fits: a deliberate cut.
  void AssignCut(const char* text, u32 count);

  // Ends the text at `length` characters (no effect when already shorter).
  void Truncate(u32 length);
  // Keeps the text up to and including its last `c`; false when there is none.
  bool KeepThroughLast(char c);
  // Ends the text at its last `c`, removing it; false when there is none.
  bool EndAtLast(char c);

 private:
  char* bytes_;
  u32 size_;
};

// A text buffer of N bytes held by value, zero-filled when made.
template <u32 N>
class BoundedText {
  static_assert(N >= 1, "a text needs room for its terminating zero");

 public:
  static constexpr u32 kSize = N;

  BoundedText() { FillBytes(bytes_, 0, N); }

  TextRef Ref() { return TextRef(bytes_, N); }
  const char* Get() const { return bytes_; }
  char* Data() { return bytes_; }
  u32 Length() const { return TextLength(bytes_); }
  bool IsEmpty() const { return bytes_[0] == '\0'; }
  void Clear() { FillBytes(bytes_, 0, N); }
  bool Assign(const char* text) { return Ref().Assign(text); }
  bool Assign(const char* text, u32 count) { return Ref().Assign(text, count); }
  bool Append(const char* text) { return Ref().Append(text); }
  bool Append(const char* text, u32 count) { return Ref().Append(text, count); }

 private:
  char bytes_[N];
};

}  // namespace kit
