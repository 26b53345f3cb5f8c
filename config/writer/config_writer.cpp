#include "config/writer/config_writer.h"

#include <stdexcept>
#include <string>

#include "config/scramble.h"
#include "config/writer/field_walk.h"
#include "launcher/run_state.h"

namespace kit {
namespace config {
namespace {

class Encoder {
 public:
  explicit Encoder(std::vector<uint8_t>& out) : out_(out) {}

  void Text(int field, const config::Text& text) {
    const std::string& value = text.value;
    if (value.size() > 0xFFFF)
      throw std::length_error("field " + std::to_string(field) + ": a text of " +
                              std::to_string(value.size()) + " bytes; at most 65,535 can be stored");
    if (text.escapedLength || value.size() >= 0xFF) {
      out_.push_back(0xFF);
      out_.push_back(static_cast<uint8_t>(value.size() & 0xFF));
      out_.push_back(static_cast<uint8_t>(value.size() >> 8));
    } else {
      out_.push_back(static_cast<uint8_t>(value.size()));
    }
    out_.insert(out_.end(), value.begin(), value.end());
  }

  void Flag(int, bool flag) { Number(0, flag ? 1 : 0); }

  void Number(int, uint32_t number) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(number >> (8 * i)));
  }

  void Picture(int, const std::vector<uint8_t>& picture) {
    out_.insert(out_.end(), picture.begin(), picture.end());
  }

 private:
  std::vector<uint8_t>& out_;
};

std::vector<uint8_t> ScrambleCopy(std::vector<uint8_t> bytes, bool withTrailer) {
  if (bytes.size() > 0xFFFFFF00u) throw std::length_error("a stream above 4 GiB");
  OidBuffer stream;
  if (!stream.Append(bytes.data(), static_cast<u32>(bytes.size())) ||
      !ScrambleOid(stream, kScrambleBlockSize, withTrailer))
    throw std::bad_alloc();
  return std::vector<uint8_t>(stream.Data(), stream.Data() + stream.Length());
}

}  // namespace

std::vector<uint8_t> EncodeConfiguration(const KitConfiguration& config) {
  std::vector<uint8_t> out;
  Encoder encoder(out);
  WalkFields(config, encoder);
  return out;
}

std::vector<uint8_t> ScrambleForStorage(std::vector<uint8_t> plain, bool withTrailer) {
  return ScrambleCopy(std::move(plain), withTrailer);
}

std::vector<uint8_t> Descramble(std::vector<uint8_t> stored) {
  return ScrambleCopy(std::move(stored), false);
}

}  // namespace config
}  // namespace kit
