// The SZDD format of the MS-DOS COMPRESS tool, which the Windows LZ
// functions and VerInstallFileA expand: a 14-byte header, then LZSS data
// over a 4096-byte window that starts out filled with blanks.
//
// Both directions work on raw buffers and trust nothing in their input: the
// expander never reads past the compressed bytes nor writes past the output,
// whatever the header's length or the data's matches say.
#pragma once

#include "support/buffer.h"
#include "support/types.h"

namespace kit {

constexpr u32 kSzddHeaderSize = 14;
constexpr u8 kSzddSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
constexpr u8 kSzddModeA = 'A';

enum class SzddStatus {
  kOk,
  kShortHeader,        // fewer than 14 bytes
  kBadSignature,       // not an SZDD file
  kUnsupportedMode,    // a compression mode other than 'A'
  kOutputTooSmall,     // the caller's buffer cannot hold the expanded length
  kTruncated,          // the data ends before the expanded length is reached
  kMatchPastEnd,       // a match would write past the expanded length
  kTrailingData,       // bytes remain once the expanded length is reached
  kOutOfMemory,
};

// The status in words, for messages.
const char* DescribeSzddStatus(SzddStatus status);

struct SzddHeader {
  u8 mode = 0;
  u8 lastChar = 0;  // the file name's missing last character; 0 when unknown
  u32 expandedLength = 0;
};

// True when `input` begins with the eight signature bytes.
bool HasSzddSignature(const u8* input, u32 length);

// Reads and checks the header: signature and mode 'A'.
SzddStatus ReadSzddHeader(const u8* input, u32 length, SzddHeader* header);

// Expands a whole SZDD file into `output`, which must hold the header's
// expanded length; `*written` receives the bytes written (all of them on
// success, those done before the fault otherwise; on a fault the rest of the
// expanded length in `output` may hold scratch, never anything beyond it).
SzddStatus ExpandSzdd(const u8* input, u32 length, u8* output, u32 capacity, u32* written);

// Expands a whole SZDD file into `output`, replacing its content. The buffer
// is sized from the header only once the header's length is shown to be
// reachable from the data at hand, so a forged length cannot ask for gigabytes.
// On any fault the buffer is left empty.
SzddStatus ExpandSzdd(const u8* input, u32 length, ByteBuffer& output);

// Compresses `input` into a complete SZDD file (mode 'A') in `output`,
// replacing its content. `lastChar` goes into the header. False when memory
// runs out or the input is too large for the format's 32-bit lengths.
bool CompressSzdd(const u8* input, u32 length, ByteBuffer& output, u8 lastChar = 0);

// The largest SZDD file CompressSzdd can make from `length` bytes; 0 when
// the input is too large to compress.
u32 SzddCompressBound(u32 length);

}  // namespace kit
