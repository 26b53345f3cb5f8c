#include "support/buffer.h"

#include "support/bytes.h"
#include "support/memory.h"

namespace kit {

bool ByteBuffer::Reserve(u32 capacity) {
  if (capacity <= capacity_) return true;
  // Grow geometrically so that a stream read in small chunks costs few copies.
  u32 grown = capacity_ < 0x80000000u ? capacity_ * 2 : 0xFFFFFFFFu;
  if (grown < capacity) grown = capacity;
  u8* block = static_cast<u8*>(AllocateZeroed(grown));
  if (block == nullptr) {
    block = static_cast<u8*>(AllocateZeroed(capacity));
    if (block == nullptr) return false;
    grown = capacity;
  }
  if (data_ != nullptr) {
    CopyBytes(block, data_, length_);
    ReleaseBlock(data_);
  }
  data_ = block;
  capacity_ = grown;
  return true;
}

bool ByteBuffer::Resize(u32 length) {
  if (!Reserve(length)) return false;
  if (length > length_) FillBytes(data_ + length_, 0, length - length_);
  length_ = length;
  return true;
}

bool ByteBuffer::Append(const void* bytes, u32 count) {
  if (count > 0xFFFFFFFFu - length_) return false;
  if (!Reserve(length_ + count)) return false;
  CopyBytes(data_ + length_, bytes, count);
  length_ += count;
  return true;
}

void ByteBuffer::Release() {
  if (data_ != nullptr) ReleaseBlock(data_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

}  // namespace kit
