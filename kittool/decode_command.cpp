// kittool decode: a stored configuration to JSON, its picture to a BMP file.
#include "kittool/commands.h"
#include "kittool/config_json.h"
#include "kittool/stored_config.h"
#include "kittool/tool_error.h"

namespace kittool {
namespace {

std::string Where(const StoredConfiguration& located, size_t offset) {
  std::string where = "byte " + std::to_string(offset);
  if (located.inPackage)
    where += " of the configuration (byte " + std::to_string(located.fileOffset + offset) +
             " of the file)";
  return where;
}

std::string BreakMessage(const std::string& input, const StoredConfiguration& located,
                         const kit::config::DecodeResult& fields) {
  std::string why = fields.error.substr(fields.error.find(": ") + 2);
  return input + ": the configuration breaks at field " + std::to_string(fields.brokenField) +
         " (" + FieldName(fields.brokenField) + ") at " + Where(located, fields.brokenOffset) +
         ": " + why;
}

std::string DescribeSource(const StoredConfiguration& located) {
  if (!located.inPackage) return "a stored configuration file";
  return "the package behind the marker at byte " + std::to_string(located.fileOffset - 10) +
         " (the search starts at byte " + std::to_string(located.searchStart) +
         ", the end of the image)";
}

// Encoding the JSON again must give the same bytes; where it cannot (a flag
// stored as other than 0 or 1), the provider hears where.
void CheckRoundTrip(const StoredConfiguration& located, const DecodedStream& decoded,
                    std::ostream& err) {
  Bytes again = StoredStreamOf(decoded.document);
  if (again == located.stored) return;
  size_t at = 0;
  while (at < again.size() && at < located.stored.size() && again[at] == located.stored[at]) ++at;
  int field = FieldAt(decoded.fields, at);
  err << "kittool: decode: note: encoding this JSON gives other bytes from " << Where(located, at)
      << " on (field " << field << ", " << FieldName(field)
      << "): kittool writes flags as 01 00 00 00 or 00 00 00 00\n";
}

// The picture goes to --picture, else beside the JSON as <name>.bmp; with
// the JSON on standard output and no --picture it is embedded.
struct PicturePlace {
  fs::path file;          // empty: embedded
  std::string reference;  // as the JSON names it
};

PicturePlace PlacePicture(const DecodeOptions& options) {
  PicturePlace place;
  if (options.embedPicture) return place;
  if (!options.picture.empty()) {
    place.file = options.picture;
    place.reference = options.picture;
    if (!options.output.empty()) {
      fs::path jsonFolder = fs::absolute(options.output).parent_path();
      place.reference = fs::absolute(place.file).lexically_relative(jsonFolder).generic_string();
    }
  } else if (!options.output.empty()) {
    place.file = fs::path(options.output).replace_extension(".bmp");
    place.reference = place.file.filename().string();
  }
  if (!place.file.empty() && !options.output.empty() &&
      fs::absolute(place.file).lexically_normal() ==
          fs::absolute(options.output).lexically_normal())
    throw ToolError("the picture would overwrite the JSON file; name it with --picture");
  return place;
}

}  // namespace

void RunDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err) {
  StoredConfiguration located = LocateConfiguration(ReadWholeFile(options.input), options.input);
  DecodedStream decoded = DecodeStoredStream(located.stored);
  if (!decoded.fields.complete)
    throw ToolError(BreakMessage(options.input, located, decoded.fields));

  PicturePlace picture = PlacePicture(options);
  std::string json = DocumentToJson(decoded.document, picture.reference).dump(2) + "\n";
  if (!picture.file.empty()) WriteFileAtomically(picture.file, decoded.document.config.picture);
  if (options.output.empty()) {
    out << json;
  } else {
    try {
      WriteFileAtomically(options.output, json);
    } catch (const ToolError&) {
      // A picture without its JSON is half an output.
      std::error_code ignored;
      if (!picture.file.empty()) fs::remove(picture.file, ignored);
      throw;
    }
    out << options.input << ": " << DescribeSource(located) << "\n"
        << "  " << located.stored.size() << " bytes: fields to byte " << decoded.fields.end << ", "
        << decoded.document.extraBytes.size() << " extra bytes, "
        << (decoded.trailerLength
                ? "a trailer of " + std::to_string(decoded.trailerLength) + " bytes"
                : std::string("no trailer"))
        << "\n"
        << "wrote " << options.output;
    if (!picture.file.empty()) out << " and " << picture.file.string();
    out << "\n";
  }
  CheckRoundTrip(located, decoded, err);
}

}  // namespace kittool
