#include "support/memory.h"

#include "support/bytes.h"

namespace kit {

void* AllocateZeroed(u32 size) {
  void* block = ::operator new(size ? size : 1, std::nothrow);
  if (block != nullptr) FillBytes(block, 0, size);
  return block;
}

void ReleaseBlock(void* block) { ::operator delete(block); }

}  // namespace kit
