// The bitmap holder: one device-independent bitmap read from a
// configuration stream, the picture that the agreement dialog shows.
//
// The picture comes from the kit, so nothing in its headers is trusted:
// loading refuses a picture whose headers disagree with the bytes that are
// really there, and a device bitmap is made only from a picture that the
// system can draw without reading past the holder's blocks.
#pragma once

#include "platform/platform.h"
#include "support/types.h"

namespace kit {

struct OidCursor;

// Sizes of the stored headers, as a bitmap file lays them out.
constexpr u32 kBitmapFileHeaderSize = 14;
constexpr u32 kBitmapInfoHeaderSize = 40;

class DibImage {
 public:
  explicit DibImage(Platform& platform) : platform_(platform) {}
  ~DibImage() { Reset(); }
  DibImage(const DibImage&) = delete;
  DibImage& operator=(const DibImage&) = delete;

  // Frees what the holder owns and empties it; safe when already empty.
  void Reset();

  // `biWidth` and `biHeight` as stored; 0 and 0 when empty.
  void GetSize(i32* width, i32* height) const;

  // Reads the stored picture at the cursor and moves the cursor past it:
  // exactly `bfOffBits` + bits size bytes. Returns 1 when the picture was
  // taken. A picture that does not fit in the rest of the stream, or whose
  // sizes cannot be represented, is refused: the result is 0, the holder is
  // empty and the cursor stands at the stream's end with `ranOut` set.
  int LoadFromStream(OidCursor& cursor);

  // Steps of loading, public so that the rules can be tested on their own.
  // Sets the bits size and the colour table from the info block; 0 when
  // the bits size does not fit in 32 bits (or would be negative).
  int ComputeLayout();
  // Sets the colour count for `bitCount` (biBitCount), or from biClrUsed.
  void ComputeColorCount(u16 bitCount);
  // Replaces the palette with one built from the colour table; 1 when made.
  int BuildPalette();

  // A new device-dependent bitmap for the device context `dc`, owned by the
  // caller; null when the picture cannot be drawn. Made with the Win32
  // side's GDI (platform/win32/dib_device_bitmap.cpp): only the dialog's
  // painting calls it.
  GdiHandle CreateDeviceBitmap(void* dc) const;

  // Whether the system could draw the picture from the holder's blocks
  // alone: a header it knows, a supported format, and a colour table and
  // pixel data as large as the system will read for it.
  bool IsDrawable() const;
  // Width and height of the picture on screen (a top-down picture's height
  // made positive); 0 and 0 when it cannot be drawn.
  void GetDrawnSize(i32* width, i32* height) const;

  // What the holder keeps, for the tests and the Win32 side.
  const u8* InfoBlock() const { return info_; }
  u32 InfoSize() const { return infoSize_; }
  const u8* Bits() const { return bits_; }
  u32 BitsSize() const { return bitsSize_; }
  u32 ColorCount() const { return colorCount_; }
  const u8* ColorTable() const { return colorTable_; }
  GdiHandle Palette() const { return palette_; }

 private:
  Platform& platform_;
  const u8* colorTable_ = nullptr;
  u8* bits_ = nullptr;
  u8* info_ = nullptr;
  u32 infoOwned_ = 0;
  u32 bitsOwned_ = 0;
  u32 bitsSize_ = 0;
  u32 colorCount_ = 0;
  GdiHandle palette_ = nullptr;
  // The info block's length: the colour table and the headers are read
  // only within it.
  u32 infoSize_ = 0;
};

}  // namespace kit
