// A configuration document as JSON: one member per field of the stream, in
// stream order, with readable names where the field's meaning is known and
// "fieldN" for the rest. A conditional field appears only when the field
// before it makes it present.
//
// Texts are 8-bit: each byte is the code point of the same value. Beside
// the fields:
//   "escapedLengths": names of short texts stored with the three-byte length
//   "extraBytes":     hex of bytes after the last field that are not a trailer
//   "trailer":        {"present": bool, "length": n}; encode also takes a bool
//                     and works the length out itself
//   "picture":        a BMP file's path, relative to the JSON file, or
//                     {"base64": "..."}
//   "agreementTextFile": the agreement text from a UTF-8 text file instead of
//                     "agreementText" (see AgreementTextFromFile)
//   "_anything":      a comment, ignored
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "kittool/files.h"
#include "kittool/stored_config.h"

namespace kittool {

using OrderedJson = nlohmann::ordered_json;

// "profileName" for field 6, "field2" for field 2, ...
std::string FieldName(int field);
// The field a name stands for; 0 when none.
int FieldNumber(const std::string& name);
// The field whose value decides whether `field` is in the stream; 0 for a
// field that always is.
int DecidingField(int field);

// `pictureFile` empty: the picture is embedded as Base64; otherwise the JSON
// names that file and the caller writes it.
OrderedJson DocumentToJson(const ConfigDocument& document, const std::string& pictureFile);

// Files the JSON names are found relative to `baseFolder`. Anything that
// would be silently dropped or changed (an unknown name, a conditional
// field whose condition is off, a text no byte can hold) is a ToolError;
// changes that lose nothing a reader uses are reported in `notes`.
ConfigDocument DocumentFromJson(const nlohmann::json& json, const fs::path& baseFolder,
                                std::vector<std::string>& notes);

// Reads a JSON file and its document, files named in it found beside it.
ConfigDocument ReadDocumentFile(const fs::path& path, std::vector<std::string>& notes);

// The agreement text as a provider writes it in a text editor: UTF-8 (a
// leading byte-order mark is dropped), every line end (LF, CRLF or CR)
// made CRLF, which is what a Windows edit control breaks lines on, and the
// file's one final line end left out.
std::string AgreementTextFromFile(const std::string& fileBytes, const std::string& what);

// Parses JSON text; ToolError naming `what` with the parser's line and column.
nlohmann::json ParseJson(const std::string& text, const std::string& what);

}  // namespace kittool
