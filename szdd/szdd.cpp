#include "szdd/szdd.h"

#include "szdd/szdd_window.h"

namespace kit {
namespace {

using u64 = uint64_t;

// One unaligned 8-byte move; the compiler turns it into a load and a store.
inline void Copy8(u8* to, const u8* from) {
  u64 word;
  __builtin_memcpy(&word, from, 8);
  __builtin_memcpy(to, &word, 8);
}

// A match that reaches back before the first output byte reads the blanks
// the window started with; that happens only in the first 4 KiB, so the
// careful byte loop costs nothing that matters.
void CopyMatchChecked(u8* out, u32 produced, u32 distance, u32 count) {
  for (u32 k = 0; k < count; ++k) {
    u32 at = produced + k;
    out[at] = at >= distance ? out[at - distance] : kSzddBlank;
  }
}

// The expansion proper, once the header has been checked.
class Expander {
 public:
  Expander(const u8* in, const u8* inEnd, u8* out, u32 outLength)
      : in_(in), inEnd_(inEnd), out_(out), outLength_(outLength) {}

  SzddStatus Run(u32* written) {
    SzddStatus status = RunGroups();
    *written = produced_;
    if (status == SzddStatus::kOk && in_ != inEnd_) return SzddStatus::kTrailingData;
    return status;
  }

 private:
  // The slack a whole group of eight items may need: 8 matches of 18 bytes,
  // plus the up-to-6-byte overshoot of the word copy of the last one.
  static constexpr u32 kGroupOutput = 8 * kSzddMaxMatch + 8;
  static constexpr u32 kGroupInput = 8 * 2;

  SzddStatus RunGroups() {
    while (produced_ < outLength_) {
      if (in_ == inEnd_) return SzddStatus::kTruncated;
      u32 flags = *in_++;
      if (static_cast<u32>(inEnd_ - in_) >= kGroupInput &&
          outLength_ - produced_ >= kGroupOutput) {
        FastGroup(flags);
        continue;
      }
      SzddStatus status = CheckedGroup(flags);
      if (status != SzddStatus::kOk) return status;
    }
    return SzddStatus::kOk;
  }

  // A group with room enough for its worst case on both sides: no bounds
  // checks per item. A word copy may write a few bytes past its match; they
  // lie inside the output and later items overwrite them.
  void FastGroup(u32 flags) {
    for (u32 bit = 0; bit < 8; ++bit, flags >>= 1) {
      if (flags & 1) {
        out_[produced_++] = *in_++;
        continue;
      }
      u32 distance, count;
      DecodeMatch(&distance, &count);
      u8* to = out_ + produced_;
      if (distance > produced_) {
        CopyMatchChecked(out_, produced_, distance, count);
      } else if (distance >= 8) {
        const u8* from = to - distance;
        Copy8(to, from);
        Copy8(to + 8, from + 8);
        Copy8(to + 16, from + 16);
      } else {
        const u8* from = to - distance;
        for (u32 k = 0; k < count; ++k) to[k] = from[k];
      }
      produced_ += count;
    }
  }

  SzddStatus CheckedGroup(u32 flags) {
    for (u32 bit = 0; bit < 8 && produced_ < outLength_; ++bit, flags >>= 1) {
      if (flags & 1) {
        if (in_ == inEnd_) return SzddStatus::kTruncated;
        out_[produced_++] = *in_++;
        continue;
      }
      if (inEnd_ - in_ < 2) return SzddStatus::kTruncated;
      u32 distance, count;
      DecodeMatch(&distance, &count);
      if (count > outLength_ - produced_) return SzddStatus::kMatchPastEnd;
      CopyMatchChecked(out_, produced_, distance, count);
      produced_ += count;
    }
    return SzddStatus::kOk;
  }

  void DecodeMatch(u32* distance, u32* count) {
    u32 position = in_[0] | (static_cast<u32>(in_[1] & 0xF0) << 4);
    *count = (in_[1] & 0x0F) + kSzddMinMatch;
    *distance = SzddDistance(produced_, position);
    in_ += 2;
  }

  const u8* in_;
  const u8* inEnd_;
  u8* out_;
  u32 outLength_;
  u32 produced_ = 0;
};

}  // namespace

const char* DescribeSzddStatus(SzddStatus status) {
  switch (status) {
    case SzddStatus::kOk:
      return "no error";
    case SzddStatus::kShortHeader:
      return "the file is shorter than the 14-byte SZDD header";
    case SzddStatus::kBadSignature:
      return "the file has no SZDD signature";
    case SzddStatus::kUnsupportedMode:
      return "the compression mode is not 'A'";
    case SzddStatus::kOutputTooSmall:
      return "the output buffer is smaller than the expanded length";
    case SzddStatus::kTruncated:
      return "the compressed data ends before the expanded length is reached";
    case SzddStatus::kMatchPastEnd:
      return "a match runs past the expanded length";
    case SzddStatus::kTrailingData:
      return "data follows once the expanded length is reached";
    case SzddStatus::kOutOfMemory:
      return "out of memory";
  }
  return "unknown status";
}

bool HasSzddSignature(const u8* input, u32 length) {
  if (length < sizeof kSzddSignature) return false;
  for (u32 i = 0; i < sizeof kSzddSignature; ++i)
    if (input[i] != kSzddSignature[i]) return false;
  return true;
}

SzddStatus ReadSzddHeader(const u8* input, u32 length, SzddHeader* header) {
  if (length < kSzddHeaderSize) {
    return HasSzddSignature(input, length) || length < sizeof kSzddSignature
               ? SzddStatus::kShortHeader
               : SzddStatus::kBadSignature;
  }
  if (!HasSzddSignature(input, length)) return SzddStatus::kBadSignature;
  header->mode = input[8];
  header->lastChar = input[9];
  header->expandedLength = static_cast<u32>(input[10]) | static_cast<u32>(input[11]) << 8 |
                           static_cast<u32>(input[12]) << 16 | static_cast<u32>(input[13]) << 24;
  if (header->mode != kSzddModeA) return SzddStatus::kUnsupportedMode;
  return SzddStatus::kOk;
}

SzddStatus ExpandSzdd(const u8* input, u32 length, u8* output, u32 capacity, u32* written) {
  *written = 0;
  SzddHeader header;
  SzddStatus status = ReadSzddHeader(input, length, &header);
  if (status != SzddStatus::kOk) return status;
  if (capacity < header.expandedLength) return SzddStatus::kOutputTooSmall;
  Expander expander(input + kSzddHeaderSize, input + length, output, header.expandedLength);
  return expander.Run(written);
}

SzddStatus ExpandSzdd(const u8* input, u32 length, ByteBuffer& output) {
  output.Release();
  SzddHeader header;
  SzddStatus status = ReadSzddHeader(input, length, &header);
  if (status != SzddStatus::kOk) return status;
  // Two data bytes give at most 18 output bytes, so no file of this size can
  // reach a larger length: refuse before allocating for it.
  u32 dataLength = length - kSzddHeaderSize;
  if (header.expandedLength / kSzddMaxExpansion > dataLength) return SzddStatus::kTruncated;
  if (!output.Resize(header.expandedLength)) return SzddStatus::kOutOfMemory;
  u32 written = 0;
  status = ExpandSzdd(input, length, output.Data(), output.Length(), &written);
  if (status != SzddStatus::kOk) output.Release();
  return status;
}

}  // namespace kit
