// Heap blocks from the global allocation operator, zero-filled, with failure
// reported as a null pointer rather than an exception.
#pragma once

#include <new>  // placement form only; header-only, no runtime library

#include "support/types.h"

namespace kit {

void* AllocateZeroed(u32 size);
void ReleaseBlock(void* block);

// Objects of the launcher: made with the non-throwing allocation operator so
// that a failed allocation gives null.
template <typename T, typename... Args>
T* MakeObject(Args&... args) {
  void* block = AllocateZeroed(sizeof(T));
  return block ? new (block) T(args...) : nullptr;
}

template <typename T>
void DestroyObject(T* object) {
  if (object == nullptr) return;
  object->~T();
  ReleaseBlock(object);
}

}  // namespace kit
