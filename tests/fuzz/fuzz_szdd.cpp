// The SZDD expander on any input, and the codec's round trip on any data.
#include <cstdint>
#include <cstring>

#include "szdd/szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kit::u32 length = static_cast<kit::u32>(size);
  kit::ByteBuffer expanded;
  kit::ExpandSzdd(data, length, expanded);

  // Whatever the input, compressing it and expanding the result gives it back.
  kit::ByteBuffer compressed;
  if (!kit::CompressSzdd(data, length, compressed)) __builtin_trap();
  kit::ByteBuffer back;
  if (kit::ExpandSzdd(compressed.Data(), compressed.Length(), back) != kit::SzddStatus::kOk)
    __builtin_trap();
  if (back.Length() != length || (length && std::memcmp(back.Data(), data, size) != 0))
    __builtin_trap();
  return 0;
}
