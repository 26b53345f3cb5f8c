// The scrambling of stored configuration streams.
//
// One operation both scrambles and descrambles: every whole block of the
// stream is XORed with a pattern computed here, so applying it twice without
// the trailer gives the stream back. The trailer brings a stream to a whole
// number of blocks before it is scrambled for writing, so that no byte of a
// stored configuration stays plain.
#pragma once

#include "launcher/run_state.h"
#include "support/types.h"

namespace kit {

// Every stored form of a configuration uses this block size; the sign-up
// program reads the same.
constexpr u32 kScrambleBlockSize = 32;

// Byte j of the pattern: 2*j for an even j, 4*j for an odd j, modulo 256.
void BuildScramblePattern(u8* pattern, u32 blockSize);

// Appends "$extra=ZZ" and 1 to `blockSize` bytes 'Z', up to the next multiple
// of the block size strictly above length + 9. False, with the stream
// unchanged, when the block cannot be grown or the length would overflow.
bool AppendOidTrailer(OidBuffer& stream, u32 blockSize);

// XORs every whole block of `stream` with the pattern, after appending the
// trailer when `withTrailer` is set; an incomplete last block is left as it
// is. False, with the stream unchanged, when the trailer cannot be appended
// (or the block size is 0): the caller must not use the stream as if it had
// been scrambled.
bool ScrambleOid(OidBuffer& stream, u32 blockSize, bool withTrailer);

// The XOR alone, on bytes the caller owns; for tools that hold a stream in
// their own containers.
bool ScrambleBytes(u8* bytes, u32 length, u32 blockSize);

}  // namespace kit
