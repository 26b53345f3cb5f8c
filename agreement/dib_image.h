// The bitmap holder: one device-independent bitmap read from a
// configuration stream.
#pragma once

#include "platform/platform.h"
#include "support/types.h"

namespace kit {

struct OidCursor;

class DibImage {
 public:
  explicit DibImage(Platform& platform) : platform_(platform) {}
  ~DibImage() { Reset(); }
  DibImage(const DibImage&) = delete;
  DibImage& operator=(const DibImage&) = delete;

  void Reset();
  void GetSize(i32* width, i32* height) const;
  // Reads the stored picture at the cursor. A picture that is inconsistent
  // with the bytes left in the stream is refused and the holder stays empty.
  int LoadFromStream(OidCursor& cursor);

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
};

}  // namespace kit
