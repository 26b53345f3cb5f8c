#include "kittool/stored_config.h"

#include <algorithm>
#include <cstring>

#include "config/package_search.h"
#include "config/scramble.h"
#include "config/writer/config_writer.h"
#include "kittool/tool_error.h"
#include "platform/fake/fake_platform.h"

namespace kittool {
namespace {

constexpr char kTrailerHead[] = "$extra=ZZ";
constexpr size_t kTrailerHeadLength = sizeof kTrailerHead - 1;
constexpr size_t kBlock = kit::kScrambleBlockSize;
const char kImagePath[] = "C:\\KIT\\setup.exe";

// The launcher's search code works on its platform's files: an in-memory
// Windows holding the one executable lets the tool run exactly that code.
struct ImageFile {
  explicit ImageFile(const Bytes& bytes) {
    world.AddFile(kImagePath, bytes);
    handle = world.OpenForReading(kImagePath);
  }
  ~ImageFile() { world.CloseFile(handle); }
  kit::FakePlatform world;
  kit::FileHandle handle;
};

// Where a trailer written for a stream of `length` bytes ends.
size_t TrailerEnd(size_t length) { return ((length + kTrailerHeadLength) / kBlock + 1) * kBlock; }

bool IsTrailerAt(const Bytes& plain, size_t at) {
  if (TrailerEnd(at) != plain.size() || plain.size() - at < kTrailerHeadLength) return false;
  if (std::memcmp(plain.data() + at, kTrailerHead, kTrailerHeadLength) != 0) return false;
  return std::all_of(plain.begin() + at + kTrailerHeadLength, plain.end(),
                     [](uint8_t b) { return b == 'Z'; });
}

// Splits what follows the last field into extra bytes and the trailer. A
// trailer is 10 to 41 bytes and ends the stream, so only those starts are
// tried.
void SplitTail(DecodedStream& decoded) {
  const Bytes& plain = decoded.plain;
  size_t end = decoded.fields.end;
  size_t first = plain.size() > end + kBlock + kTrailerHeadLength
                     ? plain.size() - kBlock - kTrailerHeadLength
                     : end;
  size_t trailerAt = plain.size();
  for (size_t at = first; at + kTrailerHeadLength < plain.size(); ++at) {
    if (IsTrailerAt(plain, at)) {
      trailerAt = at;
      break;
    }
  }
  decoded.document.extraBytes.assign(plain.begin() + end, plain.begin() + trailerAt);
  decoded.trailerLength = plain.size() - trailerAt;
  decoded.document.trailer = decoded.trailerLength > 0;
}

}  // namespace

bool LooksLikeExecutable(const Bytes& file) {
  return file.size() >= 2 && file[0] == 'M' && file[1] == 'Z';
}

uint32_t ImageEnd(const Bytes& executable) {
  ImageFile image(executable);
  return kit::FindImageEnd(image.world, image.handle);
}

PackageSearch FindPackage(const Bytes& executable) {
  PackageSearch search;
  ImageFile image(executable);
  search.searchStart = kit::FindImageEnd(image.world, image.handle);
  kit::OidBuffer stream;
  search.found =
      kit::ReadPackageBehindMarker(image.world, image.handle, search.searchStart, stream);
  if (search.found) {
    search.stored.assign(stream.Data(), stream.Data() + stream.Length());
    search.markerOffset = executable.size() - search.stored.size() - kit::kMarkerLength;
  }
  return search;
}

StoredConfiguration LocateConfiguration(const Bytes& file, const std::string& name) {
  StoredConfiguration located;
  if (!LooksLikeExecutable(file)) {
    located.stored = file;
    return located;
  }
  if (file.size() > 0xFFFFFFFFu) throw ToolError(name + ": larger than 4 GiB");
  PackageSearch search = FindPackage(file);
  if (!search.found)
    throw ToolError(name + ": an executable with no package: no marker at or after byte " +
                    std::to_string(search.searchStart) + ", the end of its image");
  located.stored = std::move(search.stored);
  located.inPackage = true;
  located.fileOffset = search.markerOffset + kit::kMarkerLength;
  located.searchStart = search.searchStart;
  return located;
}

DecodedStream DecodeStoredStream(const Bytes& stored) {
  DecodedStream decoded;
  decoded.plain = kit::config::Descramble(stored);
  decoded.fields = kit::config::DecodeConfiguration(decoded.plain);
  if (!decoded.fields.complete) return decoded;
  decoded.document.config = decoded.fields.config;
  SplitTail(decoded);
  return decoded;
}

Bytes PlainStreamOf(const ConfigDocument& document) {
  Bytes plain = kit::config::EncodeConfiguration(document.config);
  plain.insert(plain.end(), document.extraBytes.begin(), document.extraBytes.end());
  return plain;
}

Bytes StoredStreamOf(const ConfigDocument& document) {
  return kit::config::ScrambleForStorage(PlainStreamOf(document), document.trailer);
}

size_t TrailerLengthFor(size_t plainLength) { return TrailerEnd(plainLength) - plainLength; }

int FieldAt(const kit::config::DecodeResult& fields, size_t offset) {
  int found = 0;
  for (int field = 1; field < static_cast<int>(fields.fieldOffset.size()); ++field) {
    size_t start = fields.fieldOffset[field];
    if (start != kit::config::DecodeResult::kAbsent && start <= offset) found = field;
  }
  return found;
}

}  // namespace kittool
