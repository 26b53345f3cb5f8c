#include "config/package_search.h"

#include "support/bytes.h"
#include "support/memory.h"

namespace kit {
namespace {

// Read whole blocks rather than marker-sized windows: a kit of several
// megabytes then costs a few dozen reads instead of one per byte.
constexpr u32 kSearchBlockSize = 64 * 1024;
constexpr u32 kCarried = kMarkerLength - 1;

// Each byte is one above the marker's; volatile, so that the compiler cannot
// fold the real marker into the image as a constant.
volatile const char kStoredMarker[kMarkerLength + 1] = "BBCCDDEEFF";

u32 LittleEndian16(const u8* bytes) { return bytes[0] | (bytes[1] << 8); }

u32 LittleEndian32(const u8* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<u32>(bytes[3]) << 24);
}

bool ReadAt(Platform& platform, FileHandle file, u32 offset, u8* into, u32 count) {
  return platform.SeekFile(file, offset) && platform.ReadFile(file, into, count) == count;
}

// Horspool's skip: how far the window may move when its last byte is `c`.
void BuildSkipTable(const u8* marker, u8* skip) {
  for (u32 c = 0; c < 256; ++c) skip[c] = kMarkerLength;
  for (u32 j = 0; j + 1 < kMarkerLength; ++j) skip[marker[j]] = static_cast<u8>(kCarried - j);
}

// The first nine bytes; the tenth has been compared. Here rather than a
// call, as most candidates fail on their first byte.
inline bool Matches(const u8* bytes, const u8* marker) {
  for (u32 i = 0; i < kCarried; ++i)
    if (bytes[i] != marker[i]) return false;
  return true;
}

// The first position in `bytes` where the whole marker starts, or -1. The
// skips never pass over a match, so this is the byte-by-byte answer.
i32 FindMarkerIn(const u8* bytes, u32 length, const u8* marker, const u8* skip) {
  if (length < kMarkerLength) return -1;
  const u32 last = length - kMarkerLength;
  for (u32 at = 0; at <= last;) {
    u8 tail = bytes[at + kCarried];
    if (tail == marker[kCarried] && Matches(bytes + at, marker)) return static_cast<i32>(at);
    at += skip[tail];
  }
  return -1;
}

bool AppendRest(Platform& platform, FileHandle file, u8* block, OidBuffer& stream) {
  for (;;) {
    u32 got = platform.ReadFile(file, block, kSearchBlockSize);
    if (got == 0) return true;
    if (!stream.Append(block, got)) return false;
  }
}

bool SearchAndRead(Platform& platform, FileHandle file, u8* block, OidBuffer& stream) {
  u8 marker[kMarkerLength];
  BuildPackageMarker(marker);
  u8 skip[256];
  BuildSkipTable(marker, skip);
  // The last bytes of each block are carried to the front of the next, so
  // that a marker split across two reads is still seen whole.
  u32 carried = 0;
  for (;;) {
    u32 got = platform.ReadFile(file, block + carried, kSearchBlockSize);
    if (got == 0) return false;
    u32 available = carried + got;
    i32 at = FindMarkerIn(block, available, marker, skip);
    if (at >= 0) {
      u32 behind = static_cast<u32>(at) + kMarkerLength;
      return stream.Append(block + behind, available - behind) &&
             AppendRest(platform, file, block, stream);
    }
    carried = available < kCarried ? available : kCarried;
    const u8* tail = block + available - carried;
    for (u32 i = 0; i < carried; ++i) block[i] = tail[i];  // forward: safe
  }
}

}  // namespace

void BuildPackageMarker(u8* marker) {
  for (u32 i = 0; i < kMarkerLength; ++i) marker[i] = static_cast<u8>(kStoredMarker[i] - 1);
}

u32 FindImageEnd(Platform& platform, FileHandle file) {
  u8 dos[64];
  if (!ReadAt(platform, file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
  const u32 peOffset = LittleEndian32(dos + 0x3C);
  u8 coff[24];  // "PE\0\0" and the file header
  if (peOffset > 0xFFFFFFFFu - 0x10000u - sizeof coff ||
      !ReadAt(platform, file, peOffset, coff, sizeof coff) ||
      !SameBytes(coff, "PE\0\0", 4))
    return 0;
  const u32 sections = LittleEndian16(coff + 6);
  const u32 optionalSize = LittleEndian16(coff + 20);
  const u32 optionalStart = peOffset + sizeof coff;

  uint64_t end = 0;
  u8 field[4];
  // SizeOfHeaders, at the same place in PE32 and PE32+ headers.
  if (optionalSize >= 64 && ReadAt(platform, file, optionalStart + 60, field, 4))
    end = LittleEndian32(field);
  u8 section[40];
  for (u32 i = 0; i < sections; ++i) {
    uint64_t at = static_cast<uint64_t>(optionalStart) + optionalSize + i * sizeof section;
    if (at > 0xFFFFFFFFu || !ReadAt(platform, file, static_cast<u32>(at), section, sizeof section))
      return 0;
    uint64_t rawEnd =
        static_cast<uint64_t>(LittleEndian32(section + 20)) + LittleEndian32(section + 16);
    if (rawEnd > end) end = rawEnd;
  }
  return end > 0xFFFFFFFFu ? 0 : static_cast<u32>(end);
}

bool ReadPackageBehindMarker(Platform& platform, FileHandle file, u32 start, OidBuffer& stream) {
  if (!platform.SeekFile(file, start)) return false;
  u8* block = static_cast<u8*>(AllocateZeroed(kSearchBlockSize + kCarried));
  if (block == nullptr) return false;
  bool found = SearchAndRead(platform, file, block, stream);
  ReleaseBlock(block);
  return found;
}

}  // namespace kit
