#include "config/scramble.h"

#include "support/bytes.h"
#include "support/memory.h"

namespace kit {
namespace {

using u64 = uint64_t;

constexpr char kTrailerHead[] = "$extra=ZZ";
constexpr u32 kTrailerHeadLength = sizeof(kTrailerHead) - 1;

// Word-wide loads and stores: the builtin compiles to a plain move, also in
// the launcher, which has no C runtime to call.
inline u64 LoadWord(const u8* at) {
  u64 word;
  __builtin_memcpy(&word, at, sizeof word);
  return word;
}

inline void StoreWord(u8* at, u64 word) { __builtin_memcpy(at, &word, sizeof word); }

// The block size every stored stream uses: four 64-bit XORs per block, so
// that scrambling runs at memory speed rather than byte by byte.
void XorBlocksOf32(u8* bytes, u32 blocks) {
  u8 pattern[32];
  BuildScramblePattern(pattern, 32);
  const u64 p0 = LoadWord(pattern), p1 = LoadWord(pattern + 8);
  const u64 p2 = LoadWord(pattern + 16), p3 = LoadWord(pattern + 24);
  for (u32 k = 0; k < blocks; ++k, bytes += 32) {
    StoreWord(bytes, LoadWord(bytes) ^ p0);
    StoreWord(bytes + 8, LoadWord(bytes + 8) ^ p1);
    StoreWord(bytes + 16, LoadWord(bytes + 16) ^ p2);
    StoreWord(bytes + 24, LoadWord(bytes + 24) ^ p3);
  }
}

// Any other block size: nothing uses one today, so plain bytes will do.
bool XorBlocksGeneric(u8* bytes, u32 blocks, u32 blockSize) {
  u8 small[64];
  u8* pattern = blockSize <= sizeof small ? small : static_cast<u8*>(AllocateZeroed(blockSize));
  if (pattern == nullptr) return false;
  BuildScramblePattern(pattern, blockSize);
  for (u32 k = 0; k < blocks; ++k, bytes += blockSize)
    for (u32 j = 0; j < blockSize; ++j) bytes[j] ^= pattern[j];
  if (pattern != small) ReleaseBlock(pattern);
  return true;
}

}  // namespace

void BuildScramblePattern(u8* pattern, u32 blockSize) {
  for (u32 j = 0; j < blockSize; ++j) {
    u8 doubled = static_cast<u8>(2 * j);
    pattern[j] = static_cast<u8>(doubled << (j & 1));
  }
}

bool AppendOidTrailer(OidBuffer& stream, u32 blockSize) {
  if (blockSize == 0) return false;
  const u32 length = stream.Length();
  // In 64 bits: a stream near 4 GiB must be refused, not wrapped around.
  const u64 head = static_cast<u64>(length) + kTrailerHeadLength;
  const u64 grown = (head / blockSize + 1) * blockSize;
  if (grown > 0xFFFFFFFFu) return false;
  if (!stream.Resize(static_cast<u32>(grown))) return false;
  u8* at = stream.Data() + length;
  CopyBytes(at, kTrailerHead, kTrailerHeadLength);
  FillBytes(at + kTrailerHeadLength, 'Z', static_cast<u32>(grown - head));
  return true;
}

bool ScrambleBytes(u8* bytes, u32 length, u32 blockSize) {
  if (blockSize == 0) return false;
  const u32 blocks = length / blockSize;
  if (blockSize == 32) {
    XorBlocksOf32(bytes, blocks);
    return true;
  }
  return XorBlocksGeneric(bytes, blocks, blockSize);
}

bool ScrambleOid(OidBuffer& stream, u32 blockSize, bool withTrailer) {
  if (blockSize == 0) return false;
  const u32 before = stream.Length();
  if (withTrailer && !AppendOidTrailer(stream, blockSize)) return false;
  if (ScrambleBytes(stream.Data(), stream.Length(), blockSize)) return true;
  // Only the generic path can fail, before it has changed a byte.
  stream.Resize(before);
  return false;
}

}  // namespace kit
