// The scrambling of stored configuration streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/scramble.h"

namespace kit {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(uint32_t blockSize) {
  Bytes pattern(blockSize);
  BuildScramblePattern(pattern.data(), blockSize);
  return pattern;
}

// The operation written out byte by byte, as the reference.
Bytes ReferenceXor(Bytes bytes, uint32_t blockSize) {
  Bytes pattern = Pattern(blockSize);
  for (size_t i = 0; i < bytes.size() / blockSize * blockSize; ++i)
    bytes[i] ^= pattern[i % blockSize];
  return bytes;
}

Bytes Scrambled(const Bytes& in, bool withTrailer, uint32_t blockSize = kScrambleBlockSize) {
  OidBuffer stream;
  EXPECT_TRUE(stream.Append(in.data(), static_cast<u32>(in.size())));
  EXPECT_TRUE(ScrambleOid(stream, blockSize, withTrailer));
  return Bytes(stream.Data(), stream.Data() + stream.Length());
}

Bytes Counting(size_t length) {
  Bytes bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  return bytes;
}

Bytes Trailer(size_t fill) {
  std::string text = "$extra=ZZ" + std::string(fill, 'Z');
  return Bytes(text.begin(), text.end());
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ScrambleTest, PatternDoublesEvenAndQuadruplesOddPositions) {
  Bytes pattern = Pattern(32);
  EXPECT_EQ(pattern[0], 0);
  EXPECT_EQ(pattern[1], 4);
  EXPECT_EQ(pattern[2], 4);
  EXPECT_EQ(pattern[3], 12);
  EXPECT_EQ(pattern[31], 124);
  Bytes wide = Pattern(200);  // 8-bit arithmetic: (2j mod 256) << (j mod 2), cut to 8 bits
  EXPECT_EQ(wide[128], 0);
  EXPECT_EQ(wide[129], static_cast<uint8_t>((258 % 256) << 1));
  EXPECT_EQ(wide[199], static_cast<uint8_t>((398 % 256) << 1));
}

// The lengths the examples name: the stream followed by its trailer, every
// whole block XORed, an incomplete block left alone.
TEST(ScrambleTest, ExamplesGiveTheirLengthsAndBytes) {
  struct Case {
    size_t length;
    bool withTrailer;
    size_t scrambledLength;
    size_t fill;  // 'Z' bytes after "$extra=ZZ"
  };
  const Case cases[] = {
      {0, false, 0, 0},      {0, true, 32, 23},    {23, true, 64, 32},
      {40, false, 40, 0},    {100, true, 128, 19}, {55, true, 96, 32},
      {54, true, 64, 1},     {31, false, 31, 0},   {32, false, 32, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("length " + std::to_string(c.length) + (c.withTrailer ? " with" : " without") +
                 " the trailer");
    Bytes plain = Counting(c.length);
    Bytes scrambled = Scrambled(plain, c.withTrailer);
    ASSERT_EQ(scrambled.size(), c.scrambledLength);
    Bytes expectedPlain = c.withTrailer ? Concat(plain, Trailer(c.fill)) : plain;
    EXPECT_EQ(scrambled, ReferenceXor(expectedPlain, 32));
    // Without the trailer the last (length mod 32) bytes stay plain.
    for (size_t i = c.scrambledLength / 32 * 32; i < c.scrambledLength; ++i)
      EXPECT_EQ(scrambled[i], expectedPlain[i]);
    // Descrambling without the trailer gives the stream and its plain trailer.
    EXPECT_EQ(Scrambled(scrambled, false), expectedPlain);
  }
}

TEST(ScrambleTest, TwiceWithoutTheTrailerIsTheIdentityForEveryLength) {
  for (size_t length = 0; length <= 200; ++length) {
    Bytes plain = Counting(length);
    Bytes once = Scrambled(plain, false);
    ASSERT_EQ(once, ReferenceXor(plain, 32)) << "length " << length;
    ASSERT_EQ(Scrambled(once, false), plain) << "length " << length;
  }
}

// Staging scrambles the held stream with the trailer, and the staging pass
// applies the same call again: the plain stream and its plain first trailer
// come back, followed by one scrambled block.
TEST(ScrambleTest, TwiceWithTheTrailerRestoresTheStreamAndAddsOneScrambledBlock) {
  for (size_t length : {0u, 23u, 40u, 100u, 150u}) {
    SCOPED_TRACE("length " + std::to_string(length));
    Bytes plain = Counting(length);
    Bytes once = Scrambled(plain, true);
    Bytes twice = Scrambled(once, true);
    ASSERT_EQ(twice.size(), once.size() + 32);
    Bytes restored(twice.begin(), twice.begin() + once.size());
    EXPECT_EQ(restored, Scrambled(once, false));
    Bytes last(twice.end() - 32, twice.end());
    EXPECT_EQ(last, ReferenceXor(Trailer(23), 32));
  }
}

TEST(ScrambleTest, OtherBlockSizesFollowTheSameRule) {
  for (uint32_t blockSize : {1u, 7u, 16u, 64u, 100u}) {
    Bytes plain = Counting(333);
    EXPECT_EQ(Scrambled(plain, false, blockSize), ReferenceXor(plain, blockSize))
        << "block size " << blockSize;
    Bytes withTrailer = Scrambled(plain, true, blockSize);
    EXPECT_EQ(withTrailer.size() % blockSize, 0u);
    EXPECT_GT(withTrailer.size(), plain.size() + 9);
    EXPECT_LE(withTrailer.size(), plain.size() + 9 + blockSize);
  }
}

TEST(ScrambleTest, RefusesABlockSizeOfZeroAndLeavesTheStreamUnchanged) {
  OidBuffer stream;
  Bytes plain = Counting(40);
  stream.Append(plain.data(), 40);
  EXPECT_FALSE(ScrambleOid(stream, 0, false));
  EXPECT_FALSE(ScrambleOid(stream, 0, true));
  EXPECT_EQ(Bytes(stream.Data(), stream.Data() + stream.Length()), plain);
}

}  // namespace
}  // namespace kit
