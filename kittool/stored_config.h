// Configurations as kits store them: a scrambled `.oid` file, or the package
// behind the marker in the launcher's executable; and the plain stream taken
// apart into its fields, the bytes after them and the trailer.
#pragma once

#include <cstdint>
#include <string>

#include "config/writer/config_decoder.h"
#include "config/writer/kit_configuration.h"
#include "kittool/files.h"

namespace kittool {

// Everything that makes a stored stream: decode then encode of this gives
// the same bytes back.
struct ConfigDocument {
  kit::config::KitConfiguration config;
  // Bytes after the last field that are not a trailer; no reader looks at
  // them, but they are kept so that nothing of a kit is lost.
  Bytes extraBytes;
  bool trailer = true;
};

struct PackageSearch {
  uint32_t searchStart = 0;  // the end of the PE image, as the launcher computes it
  bool found = false;
  uint64_t markerOffset = 0;  // where the marker starts in the file
  Bytes stored;               // everything behind the marker
};

// Whether the bytes begin like an executable ("MZ"): those are searched for
// a package, anything else is taken as a stored `.oid` whole.
bool LooksLikeExecutable(const Bytes& file);

// The end of the PE image, or 0 when the bytes are not a PE image.
uint32_t ImageEnd(const Bytes& executable);

// The launcher's own search: the first marker at or after the image's end.
PackageSearch FindPackage(const Bytes& executable);

struct StoredConfiguration {
  Bytes stored;
  bool inPackage = false;
  uint64_t fileOffset = 0;  // where the stored stream starts in the file
  uint32_t searchStart = 0;
};

// A `.oid` file or an executable with a package; ToolError (naming `name`)
// for an executable without one.
StoredConfiguration LocateConfiguration(const Bytes& file, const std::string& name);

struct DecodedStream {
  kit::config::DecodeResult fields;  // fields.complete: read to the picture's end
  ConfigDocument document;           // meaningful when complete
  Bytes plain;
  size_t trailerLength = 0;  // 0 when there is none
};

// Descrambles and decodes; never throws for a damaged stream (the result
// says where it breaks).
DecodedStream DecodeStoredStream(const Bytes& stored);

// The plain stream of a document: its fields, then its extra bytes.
Bytes PlainStreamOf(const ConfigDocument& document);
// The stored form: the plain stream scrambled, with the trailer when asked.
Bytes StoredStreamOf(const ConfigDocument& document);

// The trailer the scrambling appends to a plain stream of `plainLength`
// bytes: 10 to 41 bytes, up to the next block.
size_t TrailerLengthFor(size_t plainLength);

// The field that covers stream position `offset`: the last one that starts
// at or before it; 0 before the first.
int FieldAt(const kit::config::DecodeResult& fields, size_t offset);

}  // namespace kittool
