// The bitmap holder: layout, colour count and palette of stored pictures,
// and the refusal of pictures that do not fit in the stream they came in.
//
// Every stream is copied into a heap block of exactly its size, so that
// AddressSanitizer reports any read past the picture's last byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "agreement/dib_image.h"
#include "config/oid_cursor.h"
#include "platform/fake/fake_platform.h"

namespace kit {
namespace {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void PutU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
uint32_t GetU32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// A stored picture: file header, 40-byte info header, `tableEntries`
// colour-table entries (entry i: blue i, green 100, red 255 - i), `gap`
// unused bytes, then `bitsBytes` bytes of pixel data.
struct Picture {
  uint16_t bitCount = 24;
  int32_t width = 4;
  int32_t height = 2;
  uint32_t sizeImage = 0;
  uint32_t clrUsed = 0;
  uint32_t compression = 0;
  uint32_t tableEntries = 0;
  uint32_t gap = 0;
  uint32_t bitsBytes = 0;

  uint32_t OffBits() const { return 14 + 40 + 4 * tableEntries + gap; }

  Bytes Build() const {
    Bytes b(OffBits() + bitsBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, static_cast<uint32_t>(b.size()));
    PutU32(b, 10, OffBits());
    PutU32(b, 14, 40);
    PutU32(b, 18, static_cast<uint32_t>(width));
    PutU32(b, 22, static_cast<uint32_t>(height));
    PutU16(b, 26, 1);
    PutU16(b, 28, bitCount);
    PutU32(b, 30, compression);
    PutU32(b, 34, sizeImage);
    PutU32(b, 46, clrUsed);
    for (uint32_t i = 0; i < tableEntries; ++i) {
      b[54 + 4 * i] = static_cast<uint8_t>(i);            // blue
      b[54 + 4 * i + 1] = 100;                            // green
      b[54 + 4 * i + 2] = static_cast<uint8_t>(255 - i);  // red
      b[54 + 4 * i + 3] = 0xEE;                           // reserved
    }
    for (uint32_t i = 0; i < bitsBytes; ++i) b[OffBits() + i] = static_cast<uint8_t>(i * 7 + 1);
    return b;
  }
};

// A stream in a heap block of exactly its size, and a cursor over it.
class ExactStream {
 public:
  explicit ExactStream(const Bytes& bytes)
      : size_(bytes.size()), block_(new uint8_t[bytes.size() ? bytes.size() : 1]) {
    if (!bytes.empty()) std::memcpy(block_.get(), bytes.data(), bytes.size());
  }
  OidCursor Cursor() const { return OidCursor(block_.get(), static_cast<u32>(size_)); }
  const uint8_t* Start() const { return block_.get(); }
  size_t Size() const { return size_; }

 private:
  size_t size_;
  std::unique_ptr<uint8_t[]> block_;
};

class DibImageTest : public ::testing::Test {
 protected:
  // Loads `bytes` followed by `trailing` bytes of other data; returns the
  // result and records how far the cursor moved.
  int Load(const Bytes& bytes, size_t trailing = 0) {
    Bytes stream = bytes;
    stream.resize(bytes.size() + trailing, 0x5A);
    stream_ = std::make_unique<ExactStream>(stream);
    OidCursor cursor = stream_->Cursor();
    int result = image.LoadFromStream(cursor);
    moved = static_cast<size_t>(cursor.next - stream_->Start());
    ranOut = cursor.ranOut;
    return result;
  }

  void ExpectEmpty() {
    i32 w = -1, h = -1;
    image.GetSize(&w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(image.InfoBlock(), nullptr);
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_EQ(image.ColorTable(), nullptr);
    EXPECT_EQ(image.BitsSize(), 0u);
    EXPECT_EQ(image.ColorCount(), 0u);
    EXPECT_EQ(image.Palette(), nullptr);
    EXPECT_FALSE(image.IsDrawable());
    EXPECT_EQ(fake.liveGdiObjects, 0);
  }

  FakePlatform fake;
  DibImage image{fake};
  size_t moved = 0;
  bool ranOut = false;

 private:
  std::unique_ptr<ExactStream> stream_;
};

TEST_F(DibImageTest, NewHolderIsEmptyAndResetKeepsItSo) {
  ExpectEmpty();
  image.Reset();
  image.Reset();
  ExpectEmpty();
  i32 w = -1, h = -1;
  image.GetDrawnSize(&w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

struct LayoutCase {
  const char* name;
  Picture picture;
  uint32_t bitsSize;
  uint32_t colorCount;
  bool palette;
};

// Pictures as the loader must read them; the pixel data is always as long
// as the expected bits size, so every load succeeds.
const LayoutCase kLayoutCases[] = {
    // 24 bits, no table, sizes computed: 4 x ceil(24 x 85 / 32) x 10.
    {"24-bit computed", {24, 85, 10, 0, 0, 0, 0, 0, 2560}, 2560, 0, false},
    // 85 pixels at 4 bits: 340 bits, 11 words, 44 bytes a row.
    {"4-bit row rounding", {4, 85, 3, 0, 0, 0, 16, 0, 132}, 132, 16, true},
    {"1-bit two colours", {1, 8, 2, 0, 0, 0, 2, 0, 8}, 8, 2, true},
    {"8-bit full table", {8, 4, 2, 0, 0, 0, 256, 0, 8}, 8, 256, true},
    {"8-bit, 16 used", {8, 4, 2, 0, 16, 0, 16, 0, 8}, 8, 16, true},
    {"24-bit, 5 used", {24, 4, 2, 0, 5, 0, 5, 0, 24}, 24, 5, true},
    {"2-bit has no table rule", {2, 16, 2, 0, 0, 0, 0, 0, 8}, 8, 0, false},
    {"bit count 0", {0, 16, 2, 0, 0, 0, 0, 0, 0}, 0, 0, false},
    {"16-bit", {16, 3, 2, 0, 0, 0, 0, 0, 16}, 16, 0, false},
    {"32-bit", {32, 3, 2, 0, 0, 0, 0, 0, 24}, 24, 0, false},
    // A given size wins over the row-rounded one (24 here), larger or smaller.
    {"sizeImage larger", {24, 4, 2, 1000, 0, 0, 0, 0, 1000}, 1000, 0, false},
    {"sizeImage smaller", {24, 4, 2, 7, 0, 0, 0, 0, 7}, 7, 0, false},
    {"sizeImage with compression", {8, 4, 2, 5, 0, 1, 256, 0, 5}, 5, 256, true},
    {"width 0", {24, 0, 5, 0, 0, 0, 0, 0, 0}, 0, 0, false},
};

TEST_F(DibImageTest, LayoutColourCountAndPaletteFollowTheStoredHeaders) {
  for (const LayoutCase& c : kLayoutCases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = c.picture.Build();
    ASSERT_EQ(Load(bytes), 1);
    EXPECT_EQ(image.BitsSize(), c.bitsSize);
    EXPECT_EQ(image.ColorCount(), c.colorCount);
    EXPECT_EQ(image.Palette() != nullptr, c.palette);
    EXPECT_EQ(fake.liveGdiObjects, c.palette ? 1 : 0);
    ASSERT_NE(image.InfoBlock(), nullptr);
    ASSERT_NE(image.Bits(), nullptr);
    EXPECT_EQ(image.InfoSize(), c.picture.OffBits() - 14);
    EXPECT_EQ(image.ColorTable(), image.InfoBlock() + 40);
    EXPECT_EQ(0, std::memcmp(image.InfoBlock(), bytes.data() + 14, image.InfoSize()));
    if (c.bitsSize > 0)
      EXPECT_EQ(0, std::memcmp(image.Bits(), bytes.data() + c.picture.OffBits(), c.bitsSize));
    i32 w = 0, h = 0;
    image.GetSize(&w, &h);
    EXPECT_EQ(w, c.picture.width);
    EXPECT_EQ(h, c.picture.height);
    if (c.palette) {
      ASSERT_EQ(fake.lastPalette.size(), c.colorCount);
      for (uint32_t i = 0; i < c.colorCount; ++i) {
        EXPECT_EQ(fake.lastPalette[i].red, 255 - i);
        EXPECT_EQ(fake.lastPalette[i].green, 100);
        EXPECT_EQ(fake.lastPalette[i].blue, i & 0xFF);
        EXPECT_EQ(fake.lastPalette[i].flags, 0);
      }
    }
    image.Reset();
    EXPECT_EQ(fake.liveGdiObjects, 0);
  }
}

TEST_F(DibImageTest, CursorMovesByOffBitsPlusBitsSize) {
  // The pixel data is read at bfOffBits, past an unused gap, and the stream
  // goes on after the picture.
  Picture p{8, 4, 2, 0, 0, 0, 256, 12, 8};
  Bytes bytes = p.Build();
  ASSERT_EQ(Load(bytes, 100), 1);
  EXPECT_EQ(moved, p.OffBits() + 8u);
  EXPECT_FALSE(ranOut);
  EXPECT_EQ(0, std::memcmp(image.Bits(), bytes.data() + p.OffBits(), 8));

  // A picture that ends the stream exactly.
  ASSERT_EQ(Load(bytes), 1);
  EXPECT_EQ(moved, bytes.size());
  EXPECT_FALSE(ranOut);
}

TEST_F(DibImageTest, LoadingAgainReleasesThePreviousPicture) {
  Picture eightBit{8, 4, 2, 0, 0, 0, 256, 0, 8};
  ASSERT_EQ(Load(eightBit.Build()), 1);
  EXPECT_EQ(fake.liveGdiObjects, 1);
  ASSERT_EQ(Load(eightBit.Build()), 1);
  EXPECT_EQ(fake.liveGdiObjects, 1) << "the first palette is deleted";

  Picture trueColour{24, 4, 2, 0, 0, 0, 0, 0, 24};
  ASSERT_EQ(Load(trueColour.Build()), 1);
  EXPECT_EQ(fake.liveGdiObjects, 0);
  EXPECT_EQ(image.ColorCount(), 0u);

  // A refused picture also releases the one held before.
  ASSERT_EQ(Load(eightBit.Build()), 1);
  Bytes refused = eightBit.Build();
  refused.resize(refused.size() - 1);
  EXPECT_EQ(Load(refused), 0);
  ExpectEmpty();
  // Blocks are checked by the leak sanitizer at exit.
}

struct RefusalCase {
  const char* name;
  Bytes bytes;
};

Bytes WithU32(Bytes b, size_t at, uint32_t v) {
  PutU32(b, at, v);
  return b;
}

std::vector<RefusalCase> RefusalCases() {
  Picture good{24, 4, 2, 0, 0, 0, 0, 0, 24};
  Bytes g = good.Build();
  Picture paletted{8, 4, 2, 0, 16, 0, 16, 0, 8};
  Bytes p = paletted.Build();
  Bytes truncatedBits = g;
  truncatedBits.pop_back();
  return {
      {"empty stream", {}},
      {"shorter than the file header", Bytes(g.begin(), g.begin() + 13)},
      {"bfOffBits 0", WithU32(g, 10, 0)},
      {"bfOffBits below the file header", WithU32(g, 10, 13)},
      {"bfOffBits leaves no 40-byte header", WithU32(g, 10, 53)},
      {"bfOffBits beyond the stream", WithU32(g, 10, static_cast<uint32_t>(g.size() + 1))},
      {"bfOffBits huge", WithU32(g, 10, 0xFFFFFFFF)},
      {"pixel data one byte short", truncatedBits},
      {"biSizeImage larger than what is left", WithU32(g, 34, 25)},
      {"biSizeImage 0xFFFFFFFF", WithU32(g, 34, 0xFFFFFFFF)},
      {"negative width", WithU32(g, 18, 0xFFFFFFFC)},
      {"negative height", WithU32(g, 22, 0xFFFFFFFE)},
      {"width x height beyond 32 bits", WithU32(WithU32(g, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF)},
      // 32 bits x 0x08000001 wraps to 32 in 32-bit arithmetic: one word a
      // row, a tiny and wrong size.
      {"32-bit product wraps round", WithU32(WithU32(g, 28, 32), 18, 0x08000001)},
      {"bit count x width beyond 32 bits", WithU32(WithU32(g, 28, 0xFFFF), 18, 0x7FFFFFFF)},
      {"colour table beyond the info block", WithU32(p, 46, 17)},
      {"colour count of the bit count beyond the block", WithU32(p, 46, 0)},
      {"biClrUsed huge", WithU32(p, 46, 0x40000000)},
  };
}

TEST_F(DibImageTest, InconsistentPicturesAreRefusedAndTheHolderStaysEmpty) {
  for (const RefusalCase& c : RefusalCases()) {
    SCOPED_TRACE(c.name);
    // Something loaded before: a refusal must not leave it half replaced.
    Picture earlier{8, 4, 2, 0, 0, 0, 256, 0, 8};
    ASSERT_EQ(Load(earlier.Build()), 1);
    EXPECT_EQ(Load(c.bytes), 0);
    ExpectEmpty();
    EXPECT_TRUE(ranOut);
    EXPECT_EQ(moved, c.bytes.size()) << "the cursor stands at the stream's end";
  }
}

struct DrawCase {
  const char* name;
  Picture picture;
  bool drawable;
  i32 drawnWidth, drawnHeight;
};

// Whether the system could draw the picture without reading past the
// holder's blocks.
const DrawCase kDrawCases[] = {
    {"24-bit", {24, 5, 3, 0, 0, 0, 0, 0, 48}, true, 5, 3},
    {"8-bit with full table", {8, 4, 2, 0, 0, 0, 256, 0, 8}, true, 4, 2},
    {"top-down", {24, 5, -3, 48, 0, 0, 0, 0, 48}, true, 5, 3},
    {"bits fewer than the rows need", {24, 5, 3, 47, 0, 0, 0, 0, 47}, false, 0, 0},
    {"8-bit, table shorter than the bit count asks", {8, 4, 2, 0, 16, 0, 16, 0, 8}, true, 4, 2},
    {"negative width", {24, -5, 3, 48, 0, 0, 0, 0, 48}, false, 0, 0},
    {"height 0", {24, 5, 0, 4, 0, 0, 0, 0, 4}, false, 0, 0},
    {"2 bits a pixel", {2, 16, 2, 0, 4, 0, 4, 0, 8}, false, 0, 0},
    {"64 bits a pixel", {64, 2, 2, 32, 0, 0, 0, 0, 32}, false, 0, 0},
    {"run-length with size", {8, 4, 2, 6, 0, 1, 256, 0, 6}, true, 4, 2},
    {"run-length without size", {8, 4, 2, 0, 0, 1, 256, 0, 8}, false, 0, 0},
    {"run-length top-down", {8, 4, -2, 6, 0, 1, 256, 0, 6}, false, 0, 0},
    {"bit fields without masks", {16, 4, 2, 0, 0, 3, 0, 0, 16}, false, 0, 0},
    {"bit fields with masks", {16, 4, 2, 0, 0, 3, 3, 0, 16}, true, 4, 2},
    {"JPEG inside", {0, 4, 2, 20, 0, 4, 0, 0, 20}, false, 0, 0},
};

TEST_F(DibImageTest, OnlyPicturesTheSystemCanReadWhollyAreDrawn) {
  for (const DrawCase& c : kDrawCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Load(c.picture.Build()), 1);
    EXPECT_EQ(image.IsDrawable(), c.drawable);
    i32 w = -1, h = -1;
    image.GetDrawnSize(&w, &h);
    EXPECT_EQ(w, c.drawnWidth);
    EXPECT_EQ(h, c.drawnHeight);
  }
}

TEST_F(DibImageTest, HeaderSizeDecidesWhetherItCanBeDrawn) {
  struct {
    uint32_t tableEntries;  // room behind the 40-byte header, 4 bytes each
    uint32_t biSize;
    bool drawable;
  } cases[] = {
      {0, 12, false},
      {0, 39, false},
      {0, 40, true},
      {50, 41, false},
      {50, 52, true},
      {50, 56, true},
      {50, 64, false},
      {50, 66, false},
      {50, 108, true},
      {50, 124, true},
      {0xFFFF, 0xFFFFFFFF, false},
      {0, 52, false},
      {17, 108, true},
      {16, 108, false},  // header beyond the block
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.biSize << " in " << 40 + 4 * c.tableEntries);
    Picture p{24, 5, 3, 0, 0, 0, c.tableEntries, 0, 48};
    ASSERT_EQ(Load(WithU32(p.Build(), 14, c.biSize)), 1);
    EXPECT_EQ(image.IsDrawable(), c.drawable);
  }
}

// --- every picture of the BMP suite ------------------------------------------

namespace fs = std::filesystem;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> SuiteFiles() {
  std::vector<fs::path> files;
  fs::path root = fs::path(KIT_PEERS_DIR) / "bmpsuite";
  for (const char* folder : {"b", "g", "q"}) {
    if (!fs::exists(root / folder)) continue;
    for (const auto& entry : fs::directory_iterator(root / folder))
      if (entry.path().extension() == ".bmp") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string SuiteName(const fs::path& p) {
  return p.parent_path().filename().string() + "/" + p.filename().string();
}

TEST_F(DibImageTest, EveryBmpSuitePictureIsLoadedOrRefusedWithinItsBytes) {
  std::vector<fs::path> files = SuiteFiles();
  if (files.empty()) GTEST_SKIP() << "BMP suite not found under " << KIT_PEERS_DIR;
  std::vector<std::string> accepted, drawable;
  for (const fs::path& file : files) {
    std::string name = SuiteName(file);
    SCOPED_TRACE(name);
    Bytes bytes = ReadAll(file);
    int result = Load(bytes);
    EXPECT_LE(moved, bytes.size());
    if (result == 0) {
      ExpectEmpty();
      continue;
    }
    accepted.push_back(name);
    EXPECT_EQ(moved, GetU32(bytes, 10) + image.BitsSize());
    if (GetU32(bytes, 14) >= 40) {
      i32 w = 0, h = 0;
      image.GetSize(&w, &h);
      EXPECT_EQ(w, static_cast<i32>(GetU32(bytes, 18)));
      EXPECT_EQ(h, static_cast<i32>(GetU32(bytes, 22)));
    }
    if (image.IsDrawable()) drawable.push_back(name);
  }

  auto has = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  // Good pictures with a header of 40 bytes or more are read and drawn.
  for (const char* name : {"g/pal1.bmp", "g/pal4.bmp", "g/pal4rle.bmp", "g/pal8.bmp",
                           "g/pal8-0.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
                           "g/pal8w124.bmp", "g/rgb16-565.bmp", "g/rgb24.bmp", "g/rgb24pal.bmp",
                           "g/rgb32bf.bmp", "q/pal8offs.bmp", "q/rgb24largepal.bmp"}) {
    EXPECT_TRUE(has(accepted, name)) << name;
    EXPECT_TRUE(has(drawable, name)) << name;
  }
  // Sizes beyond the file, a colour count beyond the header block.
  for (const char* name : {"b/badbitssize.bmp", "b/badpalettesize.bmp", "b/reallybig.bmp",
                           "b/shortfile.bmp", "g/pal8os2.bmp"})
    EXPECT_FALSE(has(accepted, name)) << name;
  // Read as stored, but not something the system can draw safely.
  for (const char* name :
       {"b/badbitcount.bmp", "b/badwidth.bmp", "b/badheadersize.bmp", "q/pal2color.bmp",
        "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgb24prof.bmp", "q/rgba64.bmp"}) {
    EXPECT_TRUE(has(accepted, name)) << name;
    EXPECT_FALSE(has(drawable, name)) << name;
  }
}

TEST_F(DibImageTest, EveryTruncationOfAPictureStaysWithinItsBytes) {
  fs::path file = fs::path(KIT_PEERS_DIR) / "bmpsuite" / "g" / "pal8.bmp";
  Bytes whole = ReadAll(file);
  if (whole.empty()) GTEST_SKIP() << "BMP suite not found";
  for (size_t length = 0; length < whole.size(); ++length) {
    Bytes cut(whole.begin(), whole.begin() + length);
    ASSERT_EQ(Load(cut), 0) << length;
    ASSERT_EQ(moved, length);
  }
  EXPECT_EQ(Load(whole), 1);
}

TEST_F(DibImageTest, DamagedHeaderBytesNeverLeadPastThePicture) {
  // Each header byte set to values that make sizes large, small or
  // negative; every outcome must stay within the stream and, when the
  // picture is kept, its drawing check within the holder's blocks.
  Picture base{8, 7, 5, 0, 0, 0, 256, 0, 40};
  Bytes original = base.Build();
  for (size_t at = 0; at < 54; ++at) {
    for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      Bytes damaged = original;
      damaged[at] = value;
      int result = Load(damaged);
      ASSERT_LE(moved, damaged.size());
      if (result == 1) {
        i32 w, h;
        image.GetDrawnSize(&w, &h);
        ASSERT_EQ(moved, GetU32(damaged, 10) + image.BitsSize());
      } else {
        ExpectEmpty();
      }
    }
  }
}

}  // namespace
}  // namespace kit
