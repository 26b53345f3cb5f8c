// Writing a configuration's record stream.
#pragma once

#include <cstdint>
#include <vector>

#include "config/writer/kit_configuration.h"

namespace kit {
namespace config {

// The plain record stream: fields 1 to 57, conditional fields only where
// their flag (or field 46) makes them present. Throws std::length_error when
// a text is longer than the 65,535 bytes its length can say.
std::vector<uint8_t> EncodeConfiguration(const KitConfiguration& config);

// The stored form, as a kit holds it: scrambled at block size 32, with the
// trailer when asked (so that no byte stays plain).
std::vector<uint8_t> ScrambleForStorage(std::vector<uint8_t> plain, bool withTrailer = true);

// The plain stream of a stored form (the trailer, if any, stays at its end).
std::vector<uint8_t> Descramble(std::vector<uint8_t> stored);

}  // namespace config
}  // namespace kit
