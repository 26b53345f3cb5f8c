#include "agreement/dib_image.h"

#include "config/oid_cursor.h"
#include "support/memory.h"

namespace kit {

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
}

void DibImage::GetSize(i32* width, i32* height) const {
  *width = 0;
  *height = 0;
}

int DibImage::LoadFromStream(OidCursor& cursor) {
  Reset();
  (void)cursor;
  return 1;
}

}  // namespace kit
