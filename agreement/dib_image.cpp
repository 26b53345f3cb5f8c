#include "agreement/dib_image.h"

#include "config/oid_cursor.h"
#include "support/bytes.h"
#include "support/memory.h"

namespace kit {
namespace {

// Offsets of the fields read, within their headers.
constexpr u32 kOffBitsAt = 10;      // BITMAPFILEHEADER.bfOffBits
constexpr u32 kSizeAt = 0;          // BITMAPINFOHEADER.biSize
constexpr u32 kWidthAt = 4;         // .biWidth
constexpr u32 kHeightAt = 8;        // .biHeight
constexpr u32 kBitCountAt = 14;     // .biBitCount
constexpr u32 kCompressionAt = 16;  // .biCompression
constexpr u32 kSizeImageAt = 20;    // .biSizeImage
constexpr u32 kClrUsedAt = 32;      // .biClrUsed
constexpr u32 kV5CsTypeAt = 56;     // BITMAPV5HEADER.bV5CSType
constexpr u32 kV5HeaderSize = 124;

enum : u32 { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };
// Colour spaces of a version 5 header whose profile lies outside the header.
constexpr u32 kProfileLinked = 0x4C494E4B;    // 'LINK'
constexpr u32 kProfileEmbedded = 0x4D424544;  // 'MBED'

u32 ReadU32(const u8* at) {
  return static_cast<u32>(at[0]) | static_cast<u32>(at[1]) << 8 | static_cast<u32>(at[2]) << 16 |
         static_cast<u32>(at[3]) << 24;
}

i32 ReadI32(const u8* at) { return static_cast<i32>(ReadU32(at)); }

u16 ReadU16(const u8* at) { return static_cast<u16>(at[0] | at[1] << 8); }

// Bytes per stored row: whole 32-bit words. Below 2^45 for any 32-bit
// width and 16-bit bit count.
uint64_t RowBytes(uint64_t width, u32 bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Rows of `rowBytes` each, when the total fits in 32 bits.
bool FitsIn32Bits(uint64_t rowBytes, uint64_t rows, u32* total) {
  if (rowBytes != 0 && rows > 0xFFFFFFFFu / rowBytes) return false;
  *total = static_cast<u32>(rowBytes * rows);
  return true;
}

// Colour-table entries that the system reads for a picture.
uint64_t SystemColorCount(u32 clrUsed, u16 bitCount) {
  if (clrUsed != 0) return clrUsed;
  return bitCount <= 8 ? uint64_t{1} << bitCount : 0;
}

// Info headers that the system knows: the 40-byte one, its versions with
// the colour masks inside (52 and 56 bytes), versions 4 and 5.
bool IsKnownHeaderSize(u32 size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == kV5HeaderSize;
}

bool IsUncompressedFormat(u32 compression, u16 bitCount) {
  if (compression == kBiRgb) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
  }
  return compression == kBiBitfields && (bitCount == 16 || bitCount == 32);
}

bool IsRunLengthFormat(u32 compression, u16 bitCount) {
  return (compression == kBiRle8 && bitCount == 8) || (compression == kBiRle4 && bitCount == 4);
}

// A refused picture leaves the cursor where a short read would: at the end.
int Refuse(DibImage& image, OidCursor& cursor) {
  image.Reset();
  cursor.next = cursor.end;
  cursor.ranOut = true;
  return 0;
}

}  // namespace

void DibImage::Reset() {
  if (infoOwned_) ReleaseBlock(info_);
  if (bitsOwned_) ReleaseBlock(bits_);
  if (palette_ != nullptr) platform_.DeleteGdiObject(palette_);
  colorTable_ = nullptr;
  bits_ = nullptr;
  info_ = nullptr;
  infoOwned_ = 0;
  bitsOwned_ = 0;
  bitsSize_ = 0;
  colorCount_ = 0;
  palette_ = nullptr;
  infoSize_ = 0;
}

void DibImage::GetSize(i32* width, i32* height) const {
  if (info_ == nullptr) {
    *width = 0;
    *height = 0;
    return;
  }
  *width = ReadI32(info_ + kWidthAt);
  *height = ReadI32(info_ + kHeightAt);
}

int DibImage::ComputeLayout() {
  u32 sizeImage = ReadU32(info_ + kSizeImageAt);
  colorTable_ = info_ + kBitmapInfoHeaderSize;
  if (sizeImage != 0) {
    bitsSize_ = sizeImage;
    return 1;
  }
  // Computed wide: a stored width or height can make the 32-bit product
  // wrap round to a small, plausible and wrong size.
  i32 width = ReadI32(info_ + kWidthAt);
  i32 height = ReadI32(info_ + kHeightAt);
  if (width < 0 || height < 0) return 0;
  u32 size = 0;
  if (!FitsIn32Bits(RowBytes(static_cast<uint64_t>(width), ReadU16(info_ + kBitCountAt)),
                    static_cast<uint64_t>(height), &size))
    return 0;
  bitsSize_ = size;
  return 1;
}

void DibImage::ComputeColorCount(u16 bitCount) {
  if (info_ != nullptr) {
    u32 clrUsed = ReadU32(info_ + kClrUsedAt);
    if (clrUsed != 0) {
      colorCount_ = clrUsed;
      return;
    }
  }
  switch (bitCount) {
    case 1: colorCount_ = 2; break;
    case 4: colorCount_ = 16; break;
    case 8: colorCount_ = 256; break;
    case 16:
    case 24:
    case 32: colorCount_ = 0; break;
    default: break;
  }
}

int DibImage::BuildPalette() {
  if (colorCount_ == 0) return 0;
  if (palette_ != nullptr) platform_.DeleteGdiObject(palette_);
  palette_ = nullptr;
  // Loading made sure that the whole table lies within the info block.
  auto* entries = static_cast<PaletteEntry*>(AllocateZeroed(colorCount_ * sizeof(PaletteEntry)));
  if (entries == nullptr) return 0;
  for (u32 i = 0; i < colorCount_; ++i) {
    const u8* quad = colorTable_ + 4 * i;  // blue, green, red, reserved
    entries[i].red = quad[2];
    entries[i].green = quad[1];
    entries[i].blue = quad[0];
    entries[i].flags = 0;
  }
  palette_ = platform_.CreatePalette(entries, colorCount_);
  ReleaseBlock(entries);
  return palette_ != nullptr ? 1 : 0;
}

int DibImage::LoadFromStream(OidCursor& cursor) {
  Reset();

  const u8* fileHeader = nullptr;
  if (!cursor.Take(kBitmapFileHeaderSize, &fileHeader)) return Refuse(*this, cursor);
  u32 offBits = ReadU32(fileHeader + kOffBitsAt);
  // The fields read lie in the first 40 bytes of the info block.
  if (offBits < kBitmapFileHeaderSize + kBitmapInfoHeaderSize) return Refuse(*this, cursor);
  u32 infoSize = offBits - kBitmapFileHeaderSize;

  const u8* storedInfo = nullptr;
  if (!cursor.Take(infoSize, &storedInfo)) return Refuse(*this, cursor);
  info_ = static_cast<u8*>(AllocateZeroed(infoSize));
  if (info_ == nullptr) return Refuse(*this, cursor);
  infoOwned_ = 1;
  infoSize_ = infoSize;
  CopyBytes(info_, storedInfo, infoSize);

  if (!ComputeLayout()) return Refuse(*this, cursor);
  ComputeColorCount(ReadU16(info_ + kBitCountAt));
  // The palette is read from the table behind the 40-byte header; a count
  // that reaches past the info block would read beyond it.
  uint64_t tableBytes = uint64_t{4} * colorCount_;
  if (tableBytes > infoSize - kBitmapInfoHeaderSize) return Refuse(*this, cursor);
  if (bitsSize_ > cursor.Remaining()) return Refuse(*this, cursor);

  BuildPalette();

  const u8* storedBits = nullptr;
  if (!cursor.Take(bitsSize_, &storedBits)) return Refuse(*this, cursor);
  bits_ = static_cast<u8*>(AllocateZeroed(bitsSize_));
  if (bits_ == nullptr) return Refuse(*this, cursor);
  bitsOwned_ = 1;
  CopyBytes(bits_, storedBits, bitsSize_);
  return 1;
}

bool DibImage::IsDrawable() const {
  if (info_ == nullptr || bits_ == nullptr || bitsSize_ == 0) return false;
  u32 headerSize = ReadU32(info_ + kSizeAt);
  if (!IsKnownHeaderSize(headerSize) || headerSize > infoSize_) return false;
  // The system may look for a linked or embedded colour profile at an
  // offset that the header gives, outside the holder's blocks.
  if (headerSize >= kV5HeaderSize) {
    u32 csType = ReadU32(info_ + kV5CsTypeAt);
    if (csType == kProfileLinked || csType == kProfileEmbedded) return false;
  }

  i32 width = ReadI32(info_ + kWidthAt);
  i32 height = ReadI32(info_ + kHeightAt);
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);

  u16 bitCount = ReadU16(info_ + kBitCountAt);
  u32 compression = ReadU32(info_ + kCompressionAt);
  bool runLength = IsRunLengthFormat(compression, bitCount);
  if (!runLength && !IsUncompressedFormat(compression, bitCount)) return false;

  // Header, the three masks that follow a 40-byte header, colour table.
  uint64_t masks = compression == kBiBitfields && headerSize == kBitmapInfoHeaderSize ? 12 : 0;
  uint64_t needInfo =
      headerSize + masks + 4 * SystemColorCount(ReadU32(info_ + kClrUsedAt), bitCount);
  if (needInfo > infoSize_) return false;

  // A run-length picture is decoded within biSizeImage bytes, which is the
  // bits size when it is given; it cannot be top-down.
  if (runLength) return height > 0 && ReadU32(info_ + kSizeImageAt) != 0;
  u32 needBits = 0;
  return FitsIn32Bits(RowBytes(static_cast<uint64_t>(width), bitCount), rows, &needBits) &&
         needBits <= bitsSize_;
}

void DibImage::GetDrawnSize(i32* width, i32* height) const {
  *width = 0;
  *height = 0;
  if (!IsDrawable()) return;
  GetSize(width, height);
  if (*height < 0) *height = -*height;
}

}  // namespace kit
