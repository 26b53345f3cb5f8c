// Decoding a plain record stream into readable values, and saying where a
// damaged one breaks.
//
// Plain standard C++, so that the stand-in sign-up program can use it too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/writer/kit_configuration.h"

namespace kit {
namespace config {

struct DecodeResult {
  KitConfiguration config;  // every field read whole; the rest as defaulted
  bool complete = false;    // fields 1 to 57 all read whole
  int brokenField = 0;      // the first field not read whole; 0 when complete
  size_t brokenOffset = 0;  // where that field starts in the stream
  size_t end = 0;           // behind the last field read whole
  // Where each field starts, by field number (1 to 57); kAbsent for a field
  // that is not in the stream or comes after the break.
  static constexpr size_t kAbsent = static_cast<size_t>(-1);
  std::array<size_t, 58> fieldOffset;
  DecodeResult() { fieldOffset.fill(kAbsent); }
  std::string error;        // what broke, readable; empty when complete
};

// Texts keep their stored bytes (not the delivered value) and their length
// form, so that a decoded stream encodes back to the same bytes. The
// picture's extent is the one the launcher's loader takes: the file header's
// offset of the pixel data, then the pixel data's size from the info header.
DecodeResult DecodeConfiguration(const uint8_t* bytes, size_t size);
inline DecodeResult DecodeConfiguration(const std::vector<uint8_t>& stream) {
  return DecodeConfiguration(stream.data(), stream.size());
}

}  // namespace config
}  // namespace kit
