#include "kittool/picture_summary.h"

#include "agreement/dib_image.h"
#include "config/oid_cursor.h"
#include "platform/fake/fake_platform.h"

namespace kittool {
namespace {

uint32_t Read32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// The holder says only that it refused; the headers say why.
std::string Refusal(const uint8_t* bytes, size_t available) {
  if (available < kit::kBitmapFileHeaderSize + kit::kBitmapInfoHeaderSize)
    return "only " + std::to_string(available) + " bytes, less than a bitmap's two headers";
  uint32_t offBits = Read32(bytes + 10);
  if (offBits < kit::kBitmapFileHeaderSize + kit::kBitmapInfoHeaderSize)
    return "bfOffBits " + std::to_string(offBits) + " leaves no room for the info header";
  if (offBits > available)
    return "bfOffBits " + std::to_string(offBits) + " lies beyond the " +
           std::to_string(available) + " bytes there";
  return "its colour table or pixel data, as its headers give them, do not fit in the " +
         std::to_string(available) + " bytes there";
}

}  // namespace

PictureSummary SummarizePicture(const uint8_t* bytes, size_t available) {
  PictureSummary summary;
  summary.bmSignature = available >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  kit::FakePlatform world;
  kit::DibImage image(world);
  uint32_t length = available > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(available);
  kit::OidCursor cursor(bytes, length);
  if (!image.LoadFromStream(cursor)) {
    summary.refusal = Refusal(bytes, available);
    return summary;
  }
  summary.loaded = true;
  summary.extent = static_cast<size_t>(cursor.next - bytes);
  image.GetSize(&summary.width, &summary.height);
  const kit::u8* info = image.InfoBlock();
  summary.bitCount = static_cast<uint16_t>(info[14] | info[15] << 8);
  summary.compression = Read32(info + 16);
  summary.colorCount = image.ColorCount();
  summary.palette = image.Palette() != nullptr;
  summary.drawable = image.IsDrawable();
  image.GetDrawnSize(&summary.drawnWidth, &summary.drawnHeight);
  return summary;
}

std::string DescribePicture(const PictureSummary& picture) {
  if (!picture.loaded) return "refused by the launcher: " + picture.refusal;
  std::string text = std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                     " pixels, " + std::to_string(picture.bitCount) + " bits per pixel, ";
  if (picture.colorCount == 0)
    text += "no colour table (no palette)";
  else
    text += std::to_string(picture.colorCount) + " colours" +
            (picture.palette ? " with a palette" : ", no palette could be made");
  if (picture.compression != 0) text += ", compression " + std::to_string(picture.compression);
  text += ", " + std::to_string(picture.extent) + " bytes";
  return text;
}

}  // namespace kittool
