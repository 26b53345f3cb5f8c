// Fixed-width integer names shared by every part of the kit.
//
// The launcher is built without the C or C++ runtime, so this header pulls in
// only what the compiler itself provides.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kit {

using u8 = uint8_t;
using u16 = uint16_t;
using u32 = uint32_t;
using i32 = int32_t;

}  // namespace kit
