// An owned, growable heap block of bytes with a 32-bit length.
#pragma once

#include "support/types.h"

namespace kit {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer() { Release(); }
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  u8* Data() { return data_; }
  const u8* Data() const { return data_; }
  u32 Length() const { return length_; }

  // Makes room for at least `capacity` bytes, keeping the content. False when
  // the block cannot be had; the buffer is then unchanged.
  bool Reserve(u32 capacity);
  // Sets the length, growing the block when needed; new bytes are zero.
  bool Resize(u32 length);
  bool Append(const void* bytes, u32 count);
  void Release();

 private:
  u8* data_ = nullptr;
  u32 length_ = 0;
  u32 capacity_ = 0;
};

}  // namespace kit
