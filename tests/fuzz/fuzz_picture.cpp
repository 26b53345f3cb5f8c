// The picture holder on any bytes at the cursor.
#include <cstdint>

#include "agreement/dib_image.h"
#include "config/oid_cursor.h"
#include "platform/fake/fake_platform.h"
#include "support/buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kit::FakePlatform platform;
  // An exact-size block, so that AddressSanitizer sees any read past its end.
  kit::ByteBuffer stream;
  stream.Append(data, static_cast<kit::u32>(size));
  {
    kit::DibImage picture(platform);
    kit::OidCursor cursor(stream.Data(), stream.Length());
    picture.LoadFromStream(cursor);
    if (cursor.next > cursor.end) __builtin_trap();
    kit::i32 width = 0, height = 0;
    picture.GetSize(&width, &height);
    // Loading twice frees the first picture and its palette.
    kit::OidCursor again(stream.Data(), stream.Length());
    picture.LoadFromStream(again);
  }
  if (platform.liveGdiObjects != 0) __builtin_trap();
  return 0;
}
