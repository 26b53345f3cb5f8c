// What the launcher makes of a kit's picture, found out by loading it into
// the launcher's own picture holder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kittool {

struct PictureSummary {
  bool loaded = false;  // the holder took it
  std::string refusal;  // why not, when it did not
  size_t extent = 0;    // bytes the holder takes: bfOffBits + pixel data
  bool bmSignature = false;
  int32_t width = 0, height = 0;  // as stored
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorCount = 0;
  bool palette = false;
  bool drawable = false;  // the system can draw it from the holder's blocks
  int32_t drawnWidth = 0, drawnHeight = 0;
};

// The picture at `bytes`, with `available` bytes up to the stream's end.
PictureSummary SummarizePicture(const uint8_t* bytes, size_t available);

// "85 x 158 pixels, 8 bits per pixel, 256 colours with a palette".
std::string DescribePicture(const PictureSummary& picture);

}  // namespace kittool
