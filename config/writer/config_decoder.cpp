#include "config/writer/config_decoder.h"

#include "config/writer/field_walk.h"

namespace kit {
namespace config {
namespace {

uint32_t LittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count; i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

// Reads fields while the stream holds them; the first that it does not hold
// whole is recorded, and every field after it is left as defaulted.
class Decoder {
 public:
  Decoder(const uint8_t* bytes, size_t size, DecodeResult& result)
      : bytes_(bytes), size_(size), result_(result) {}

  void Text(int field, config::Text& text) {
    if (broken_) return;
    size_t start = Start(field);
    if (!Need(field, start, 1, "its length byte")) return;
    size_t length = bytes_[at_++];
    bool escaped = length == 0xFF;
    if (escaped) {
      if (!Need(field, start, 2, "its escaped length")) return;
      length = LittleEndian(bytes_ + at_, 2);
      at_ += 2;
    }
    if (!Need(field, start, length, "a text of " + std::to_string(length) + " bytes")) return;
    text.value.assign(reinterpret_cast<const char*>(bytes_ + at_), length);
    text.escapedLength = escaped && length < 0xFF;
    at_ += length;
  }

  void Flag(int field, bool& flag) {
    if (broken_ || !Need(field, Start(field), 4, "a flag")) return;
    flag = bytes_[at_] != 0;
    at_ += 4;
  }

  void Number(int field, uint32_t& number) {
    if (broken_ || !Need(field, Start(field), 4, "a number")) return;
    number = LittleEndian(bytes_ + at_, 4);
    at_ += 4;
  }

  // The extent the launcher's loader takes: bfOffBits from the file header,
  // then biSizeImage, or the row-rounded size when that is 0.
  void Picture(int field, std::vector<uint8_t>& picture) {
    if (broken_) return;
    size_t start = Start(field);
    if (!Need(field, start, 14 + 40, "a bitmap's file and info headers")) return;
    const uint8_t* file = bytes_ + at_;
    const uint8_t* info = file + 14;
    uint32_t offBits = LittleEndian(file + 10, 4);
    if (offBits < 14 + 40) return Break(field, start, "bfOffBits " + std::to_string(offBits) +
                                                          " leaves no room for the info header");
    int64_t bitsSize = LittleEndian(info + 20, 4);
    if (bitsSize == 0) {
      uint32_t rowBits = LittleEndian(info + 14, 2) * LittleEndian(info + 4, 4);
      int64_t words = (rowBits >> 5) + ((rowBits & 31) ? 1 : 0);
      bitsSize = static_cast<int32_t>(LittleEndian(info + 8, 4)) * words * 4;
    }
    if (bitsSize < 0) return Break(field, start, "a negative pixel data size");
    if (!Need(field, start, offBits + static_cast<size_t>(bitsSize), "a bitmap")) return;
    picture.assign(file, file + offBits + bitsSize);
    at_ += offBits + bitsSize;
  }

  size_t at() const { return at_; }
  bool broken() const { return broken_; }

 private:
  size_t Start(int field) {
    result_.fieldOffset[field] = at_;
    return at_;
  }

  // True when `count` more bytes are there; otherwise records the break.
  bool Need(int field, size_t start, size_t count, const std::string& what) {
    if (count <= size_ - at_) return true;
    Break(field, start,
          "needs " + what + ", " + std::to_string(size_ - at_) + " bytes left at byte " +
              std::to_string(at_));
    return false;
  }

  void Break(int field, size_t start, const std::string& why) {
    broken_ = true;
    at_ = start;
    result_.brokenField = field;
    result_.brokenOffset = start;
    result_.error = "field " + std::to_string(field) + " at byte " + std::to_string(start) +
                    ": " + why;
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  bool broken_ = false;
  DecodeResult& result_;
};

}  // namespace

DecodeResult DecodeConfiguration(const uint8_t* bytes, size_t size) {
  DecodeResult result;
  Decoder decoder(bytes, size, result);
  WalkFields(result.config, decoder);
  result.complete = !decoder.broken();
  result.end = decoder.at();
  return result;
}

}  // namespace config
}  // namespace kit
