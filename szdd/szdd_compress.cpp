// The SZDD compressor: an optimal parse over the longest match at each byte.
//
// Every literal costs 9 bits (a flag bit and the byte) and every match 17 (a
// flag bit and two bytes), whatever its length or distance. So a match of
// length L at a position stands for matches of every length 3..L there, and
// the cheapest parse follows from the longest match at each position alone:
// a backward pass over a block picks, for every position, the step that
// leaves the fewest bits to the block's end.
#include "support/bytes.h"
#include "support/memory.h"
#include "szdd/szdd.h"
#include "szdd/szdd_window.h"

namespace kit {
namespace {

// 4095 rather than 4096: the byte 4096 back sits in the slot being written,
// which only expanders that copy byte by byte through the ring get right.
constexpr u32 kMaxDistance = kSzddWindowSize - 1;
constexpr u32 kHashBits = 14;
constexpr u32 kHashSize = 1u << kHashBits;
// Nodes visited per position at most. A walk ends sooner at the window's
// edge; the limit binds only on degenerate input, to bound the time per byte.
constexpr u32 kMaxWalk = 256;
// Positions parsed together; a match never crosses a block's end.
constexpr u32 kBlockSize = 1u << 16;
constexpr u32 kLiteralCost = 9;
constexpr u32 kMatchCost = 17;
// Largest input whose worst-case output still has a 32-bit length.
constexpr u32 kMaxInput = 0xE0000000u;

using u64 = uint64_t;
constexpr u32 kWordSlack = 8;

struct Match {
  u32 length;  // 0 when there is none of at least 3 bytes
  u32 distance;
};

// A binary search tree of the window's positions, ordered by the (up to 18)
// bytes that start there, one tree per hash of the first three bytes. Each
// new position becomes the root of its tree, splitting the old tree along
// the search path, so every node is newer than all below it: the first node
// found beyond the window ends the walk with nothing of use lost, and the
// walk finds the longest match exactly, comparing each candidate only past
// the prefix it is known to share. A node that matches in full is replaced
// by the new position, which is nearer and as good.
//
// Nodes are kept in rings as large as the window: `child_` holds each
// position's two subtrees, `root_` the newest position of each hash; both
// as position plus one, 0 for none.
class MatchFinder {
 public:
  MatchFinder(const u8* data, u32 length) : data_(data), length_(length) {}
  ~MatchFinder() {
    ReleaseBlock(root_);
    ReleaseBlock(child_);
  }
  MatchFinder(const MatchFinder&) = delete;
  MatchFinder& operator=(const MatchFinder&) = delete;

  bool Allocate() {
    root_ = static_cast<u32*>(AllocateZeroed(kHashSize * sizeof(u32)));
    child_ = static_cast<u32*>(AllocateZeroed(2 * kSzddWindowSize * sizeof(u32)));
    return root_ != nullptr && child_ != nullptr;
  }

  // The longest match at `at` of at most `limit` bytes; then `at` joins the
  // window. Positions must come in order, each exactly once.
  Match FindAndInsert(u32 at, u32 limit) {
    u32 left = length_ - at;
    if (left < kSzddMinMatch) return Match{0, 0};
    // The tree orders by all the bytes a later match could use, whatever
    // the caller's limit, so that replacing a node never loses a match.
    Match best = Insert(at, left < kSzddMaxMatch ? left : kSzddMaxMatch);
    if (best.length > limit) best.length = limit;
    if (best.length < limit && data_[at] == kSzddBlank) TryBlankWindow(at, limit, &best);
    return best.length >= kSzddMinMatch ? best : Match{0, 0};
  }

 private:
  u32 Hash(u32 at) const {
    u32 key = data_[at] | static_cast<u32>(data_[at + 1]) << 8 | static_cast<u32>(data_[at + 2]) << 16;
    return (key * 2654435761u) >> (32 - kHashBits);
  }

  Match Insert(u32 at, u32 limit) {
    const u8* here = data_ + at;
    u32* root = &root_[Hash(at)];
    u32 candidate = *root;
    *root = at + 1;
    // Where the next smaller and the next larger node hang in the new tree,
    // and how many bytes all nodes on each side share with `here`.
    u32* smaller = &child_[2 * (at & kSzddWindowMask)];
    u32* larger = smaller + 1;
    u32 smallerShared = 0, largerShared = 0;
    Match best = {0, 0};
    const bool wide = length_ - at >= kSzddMaxMatch + kWordSlack;
    for (u32 walked = 0;; ++walked) {
      u32 from = candidate - 1;
      if (candidate == 0 || at - from > kMaxDistance || walked == kMaxWalk) {
        *smaller = 0;
        *larger = 0;
        break;
      }
      u32* pair = &child_[2 * (from & kSzddWindowMask)];
      const u8* there = data_ + from;
      u32 n = smallerShared < largerShared ? smallerShared : largerShared;
      n = wide ? SharedLengthWide(here, there, n, limit) : SharedLength(here, there, n, limit);
      if (n > best.length) best = Match{n, at - from};
      if (n == limit) {
        *smaller = pair[0];
        *larger = pair[1];
        break;
      }
      if (there[n] < here[n]) {
        *smaller = candidate;
        smaller = pair + 1;
        candidate = *smaller;
        smallerShared = n;
      } else {
        *larger = candidate;
        larger = pair;
        candidate = *larger;
        largerShared = n;
      }
    }
    return best;
  }

  static u32 SharedLength(const u8* a, const u8* b, u32 n, u32 limit) {
    while (n < limit && a[n] == b[n]) ++n;
    return n;
  }

  // Eight bytes at a time: the first differing byte is the lowest set byte
  // of the two words' difference. May read up to kWordSlack bytes past
  // `limit`, so only where the input has them.
  static u32 SharedLengthWide(const u8* a, const u8* b, u32 n, u32 limit) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (n < limit) {
      u64 x, y;
      __builtin_memcpy(&x, a + n, 8);
      __builtin_memcpy(&y, b + n, 8);
      if (x != y) {
        n += static_cast<u32>(__builtin_ctzll(x ^ y)) / 8;
        break;
      }
      n += 8;
    }
    return n < limit ? n : limit;
#else
    return SharedLength(a, b, n, limit);
#endif
  }

  void Consider(u32 length, u32 distance, Match* best) const {
    if (length > best->length) *best = Match{length, distance};
  }

  // The window's initial blanks are data an expander already has: near the
  // start a run of blanks can be copied from before the first byte.
  void TryBlankWindow(u32 at, u32 limit, Match* best) const {
    const u8* here = data_ + at;
    for (u32 back = 1; back <= limit && at + back <= kMaxDistance; ++back) {
      u32 n = 0;
      while (n < limit && here[n] == (n < back ? kSzddBlank : data_[n - back])) ++n;
      Consider(n, at + back, best);
    }
  }

  const u8* data_;
  u32 length_;
  u32* root_ = nullptr;
  u32* child_ = nullptr;
};

// Writes items behind their flag bytes: a flag byte is reserved when its
// first item comes, and each item sets its bit, least significant first.
class ItemWriter {
 public:
  explicit ItemWriter(u8* out) : out_(out) {}

  void Literal(u8 byte) {
    u8 flag = StartItem();
    out_[flagAt_] |= flag;
    out_[written_++] = byte;
  }

  void Copy(u32 produced, u32 length, u32 distance) {
    StartItem();
    u32 position = SzddPosition(produced, distance);
    out_[written_++] = static_cast<u8>(position);
    out_[written_++] = static_cast<u8>(((position >> 4) & 0xF0) | (length - kSzddMinMatch));
  }

  u32 Written() const { return written_; }

 private:
  u8 StartItem() {
    if (bit_ == 8) {
      flagAt_ = written_++;
      out_[flagAt_] = 0;
      bit_ = 0;
    }
    return static_cast<u8>(1u << bit_++);
  }

  u8* out_;
  u32 written_ = kSzddHeaderSize;
  u32 flagAt_ = 0;
  u32 bit_ = 8;
};

// Scratch for one block: the longest match found at each position, then, in
// place of its length, the step the parse takes there.
struct BlockPlan {
  u8* step = nullptr;
  u16* distance = nullptr;
  u32* cost = nullptr;  // bits from a position to the block's end

  bool Allocate() {
    step = static_cast<u8*>(AllocateZeroed(kBlockSize));
    distance = static_cast<u16*>(AllocateZeroed(kBlockSize * sizeof(u16)));
    cost = static_cast<u32*>(AllocateZeroed((kBlockSize + 1) * sizeof(u32)));
    return step != nullptr && distance != nullptr && cost != nullptr;
  }
  void Release() {
    ReleaseBlock(step);
    ReleaseBlock(distance);
    ReleaseBlock(cost);
  }
};

void FindMatches(MatchFinder& finder, u32 start, u32 size, BlockPlan& plan) {
  for (u32 i = 0; i < size; ++i) {
    u32 left = size - i;
    Match match = finder.FindAndInsert(start + i, left < kSzddMaxMatch ? left : kSzddMaxMatch);
    plan.step[i] = static_cast<u8>(match.length);
    plan.distance[i] = static_cast<u16>(match.distance);
  }
}

void ChooseSteps(u32 size, BlockPlan& plan) {
  plan.cost[size] = 0;
  for (u32 i = size; i-- > 0;) {
    u32 longest = plan.step[i];
    u32 best = plan.cost[i + 1] + kLiteralCost;
    u32 step = 1;
    // On a tie the longer match wins: fewer items, same bits.
    for (u32 length = kSzddMinMatch; length <= longest; ++length) {
      u32 cost = plan.cost[i + length] + kMatchCost;
      if (cost <= best) {
        best = cost;
        step = length;
      }
    }
    plan.cost[i] = best;
    plan.step[i] = static_cast<u8>(step);
  }
}

void WriteBlock(const u8* input, u32 start, u32 size, const BlockPlan& plan, ItemWriter& writer) {
  for (u32 i = 0; i < size;) {
    u32 step = plan.step[i];
    if (step == 1)
      writer.Literal(input[start + i]);
    else
      writer.Copy(start + i, step, plan.distance[i]);
    i += step;
  }
}

void WriteHeader(u8* out, u32 length, u8 lastChar) {
  CopyBytes(out, kSzddSignature, sizeof kSzddSignature);
  out[8] = kSzddModeA;
  out[9] = lastChar;
  for (u32 i = 0; i < 4; ++i) out[10 + i] = static_cast<u8>(length >> (8 * i));
}

}  // namespace

u32 SzddCompressBound(u32 length) {
  if (length > kMaxInput) return 0;
  return kSzddHeaderSize + length + (length + 7) / 8;
}

bool CompressSzdd(const u8* input, u32 length, ByteBuffer& output, u8 lastChar) {
  output.Release();
  u32 bound = SzddCompressBound(length);
  if (bound == 0 || !output.Resize(bound)) return false;
  MatchFinder finder(input, length);
  BlockPlan plan;
  bool ready = finder.Allocate() && plan.Allocate();
  if (ready) {
    WriteHeader(output.Data(), length, lastChar);
    ItemWriter writer(output.Data());
    for (u32 start = 0; start < length; start += kBlockSize) {
      u32 size = length - start < kBlockSize ? length - start : kBlockSize;
      FindMatches(finder, start, size, plan);
      ChooseSteps(size, plan);
      WriteBlock(input, start, size, plan, writer);
    }
    output.Resize(writer.Written());
  } else {
    output.Release();
  }
  plan.Release();
  return ready;
}

}  // namespace kit
