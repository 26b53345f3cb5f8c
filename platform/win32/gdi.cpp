// GDI handles for the bitmap holder.
#include <windows.h>

#include "agreement/dib_image.h"
#include "platform/win32/win32_platform.h"
#include "support/memory.h"

namespace kit {

GdiHandle Win32Platform::CreatePalette(const PaletteEntry* entries, u32 count) {
  u32 size = 4 + 4 * count;
  LOGPALETTE* palette = static_cast<LOGPALETTE*>(AllocateZeroed(size));
  if (palette == nullptr) return nullptr;
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (u32 i = 0; i < count; ++i) {
    palette->palPalEntry[i].peRed = entries[i].red;
    palette->palPalEntry[i].peGreen = entries[i].green;
    palette->palPalEntry[i].peBlue = entries[i].blue;
    palette->palPalEntry[i].peFlags = entries[i].flags;
  }
  HPALETTE made = ::CreatePalette(palette);
  ReleaseBlock(palette);
  return made;
}

void Win32Platform::DeleteGdiObject(GdiHandle object) {
  DeleteObject(static_cast<HGDIOBJ>(object));
}

// The holder's palette is not selected: the picture is drawn with the
// context's own colours.
GdiHandle DibImage::CreateDeviceBitmap(void* dc) const {
  if (!IsDrawable()) return nullptr;
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(InfoBlock());
  const auto* info = reinterpret_cast<const BITMAPINFO*>(InfoBlock());
  return CreateDIBitmap(static_cast<HDC>(dc), header, CBM_INIT, Bits(), info, DIB_RGB_COLORS);
}

}  // namespace kit
