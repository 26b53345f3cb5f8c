#include "kittool/config_json.h"

#include <set>

#include "config/writer/field_walk.h"
#include "kittool/base64.h"
#include "kittool/config_notes.h"
#include "kittool/latin1.h"
#include "kittool/picture_summary.h"
#include "kittool/tool_error.h"

namespace kittool {
namespace {

using kit::config::KitConfiguration;
using Json = nlohmann::json;

struct NamedField {
  int field;
  const char* name;
};

// The fields whose meaning is known, by their readable names.
const NamedField kNamedFields[] = {
    {1, "version"},          {6, "profileName"},      {14, "desktopShortcut"},
    {16, "dialAtEnd"},       {19, "hangUpOnRefusal"}, {23, "agreement"},
    {24, "scrollToAccept"},  {25, "agreementText"},   {26, "agreementCaption"},
    {46, "copyInstruction"}, {47, "copyFile"},        {57, "picture"},
};

constexpr int kAgreementTextField = 25;
const char kAgreementTextFile[] = "agreementTextFile";
const char kEscapedLengths[] = "escapedLengths";
const char kExtraBytes[] = "extraBytes";
const char kTrailer[] = "trailer";
constexpr size_t kLongestText = 0xFFFF;
constexpr size_t kOneByteLengthLimit = 0xFF;

std::string ToHex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : bytes) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Bytes FromHex(const std::string& hex, const std::string& what) {
  if (hex.size() % 2 != 0) throw ToolError(what + ": an odd number of hex digits");
  Bytes bytes;
  for (size_t at = 0; at < hex.size(); at += 2) {
    int high = HexDigit(hex[at]), low = HexDigit(hex[at + 1]);
    if (high < 0 || low < 0) throw ToolError(what + ": not hex at character " + std::to_string(at));
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return bytes;
}

class JsonWriter {
 public:
  JsonWriter(OrderedJson& out, const std::string& pictureFile)
      : out_(out), pictureFile_(pictureFile) {}

  void Text(int field, const kit::config::Text& text) {
    std::string name = FieldName(field);
    out_[name] = Latin1ToUtf8(text.value);
    if (text.escapedLength && text.value.size() < kOneByteLengthLimit) escaped_.push_back(name);
  }
  void Flag(int field, bool flag) { out_[FieldName(field)] = flag; }
  void Number(int field, uint32_t number) { out_[FieldName(field)] = number; }
  void Picture(int field, const Bytes& picture) {
    if (pictureFile_.empty())
      out_[FieldName(field)] = OrderedJson{{"base64", EncodeBase64(picture)}};
    else
      out_[FieldName(field)] = pictureFile_;
  }

  const std::vector<std::string>& escaped() const { return escaped_; }

 private:
  OrderedJson& out_;
  const std::string& pictureFile_;
  std::vector<std::string> escaped_;
};

// Reads the members the walk visits; a conditional field is visited only
// when the value just read before it makes it present.
class JsonReader {
 public:
  JsonReader(const Json& in, const fs::path& baseFolder, std::vector<std::string>& notes)
      : in_(in), base_(baseFolder), notes_(notes) {
    auto it = in.find(kEscapedLengths);
    if (it == in.end()) return;
    if (!it->is_array())
      throw ToolError(std::string(kEscapedLengths) + ": expected a list of names");
    for (const Json& name : *it) {
      if (!name.is_string())
        throw ToolError(std::string(kEscapedLengths) + ": expected a list of names");
      escaped_.insert(name.get<std::string>());
    }
  }

  void Text(int field, kit::config::Text& text) {
    std::string name = FieldName(field);
    if (field == kAgreementTextField && TextFromFile(text)) return;
    const Json* value = Member(name);
    if (value == nullptr) return;
    if (!value->is_string()) throw ToolError(name + ": expected a text (a JSON string)");
    SetText(name, Utf8ToLatin1(value->get<std::string>(), name), text);
  }

  void Flag(int field, bool& flag) {
    std::string name = FieldName(field);
    const Json* value = Member(name);
    if (value == nullptr) return;
    if (!value->is_boolean()) throw ToolError(name + ": expected true or false");
    flag = value->get<bool>();
  }

  void Number(int field, uint32_t& number) {
    std::string name = FieldName(field);
    const Json* value = Member(name);
    if (value == nullptr) return;
    if (!value->is_number_unsigned() || value->get<uint64_t>() > 0xFFFFFFFFu)
      throw ToolError(name + ": expected a whole number from 0 to 4294967295");
    number = static_cast<uint32_t>(value->get<uint64_t>());
  }

  void Picture(int field, Bytes& picture) {
    std::string name = FieldName(field);
    const Json* value = Member(name);
    if (value == nullptr)
      throw ToolError(name + ": missing; every configuration ends with a picture, a BMP file");
    std::string what = name;
    if (value->is_string()) {
      fs::path file = base_ / value->get<std::string>();
      what += " (" + file.string() + ")";
      picture = ReadWholeFile(file);
    } else if (value->is_object() && value->contains("base64") && (*value)["base64"].is_string()) {
      picture = DecodeBase64((*value)["base64"].get<std::string>(), name);
    } else {
      throw ToolError(name + ": expected a BMP file's path or {\"base64\": \"...\"}");
    }
    TakeWhatTheLauncherReads(what, picture);
  }

  // Every member was read, or is one the walk does not visit: then it
  // would be lost, which is never silent.
  void CheckAllUsed() const {
    for (const std::string& name : escaped_)
      if (!escapedUsed_.count(name))
        throw ToolError(std::string(kEscapedLengths) + ": \"" + name +
                        "\" is not a text of this configuration");
    for (auto it = in_.begin(); it != in_.end(); ++it) {
      const std::string& name = it.key();
      if (used_.count(name) || name.rfind('_', 0) == 0 || name == kEscapedLengths ||
          name == kExtraBytes || name == kTrailer)
        continue;
      int field = name == kAgreementTextFile ? kAgreementTextField : FieldNumber(name);
      if (field == 0) throw ToolError(name + ": not a name kittool knows");
      throw ToolError(name + " is given, but " + WhyAbsent(field) +
                      ", so the stream has no field " + std::to_string(field) +
                      "; remove it or change " + FieldName(DecidingField(field)));
    }
  }

 private:
  const Json* Member(const std::string& name) {
    auto it = in_.find(name);
    if (it == in_.end()) return nullptr;
    used_.insert(name);
    return &*it;
  }

  void SetText(const std::string& name, std::string value, kit::config::Text& text) {
    if (value.size() > kLongestText)
      throw ToolError(name + ": " + std::to_string(value.size()) +
                      " bytes; a stored text holds at most 65,535");
    text.value = std::move(value);
    text.escapedLength = escaped_.count(name) != 0;
    if (text.escapedLength) escapedUsed_.insert(name);
  }

  bool TextFromFile(kit::config::Text& text) {
    const Json* file = Member(kAgreementTextFile);
    if (file == nullptr) return false;
    std::string name = FieldName(kAgreementTextField);
    if (in_.contains(name))
      throw ToolError(name + " and " + kAgreementTextFile + " are both given; keep one");
    if (!file->is_string()) throw ToolError(std::string(kAgreementTextFile) + ": expected a path");
    fs::path path = base_ / file->get<std::string>();
    SetText(name, AgreementTextFromFile(ReadWholeText(path), path.string()), text);
    return true;
  }

  // The launcher reads bfOffBits plus the pixel data; the stream must hold
  // exactly that, or the bytes behind the picture would be misread.
  void TakeWhatTheLauncherReads(const std::string& what, Bytes& picture) {
    PictureSummary summary = SummarizePicture(picture.data(), picture.size());
    if (!summary.loaded)
      throw ToolError(what + ": the launcher would refuse it: " + summary.refusal);
    if (summary.extent < picture.size()) {
      notes_.push_back(what + ": " + std::to_string(picture.size() - summary.extent) +
                       " bytes after the pixel data are left out; the launcher reads only "
                       "bfOffBits plus the pixel data");
      picture.resize(summary.extent);
    }
    if (!summary.bmSignature) notes_.push_back(what + ": does not begin with \"BM\"");
    if (!summary.drawable)
      notes_.push_back(what +
                       ": the launcher loads it, but Windows cannot draw it; the dialog "
                       "would show no picture");
  }

  std::string WhyAbsent(int field) const {
    int decider = DecidingField(field);
    if (decider == 46) return "copyInstruction is not \"yes\"";
    return FieldName(decider) + " is false";
  }

  const Json& in_;
  fs::path base_;
  std::vector<std::string>& notes_;
  std::set<std::string> used_;
  std::set<std::string> escaped_;
  std::set<std::string> escapedUsed_;
};

bool TrailerFromJson(const Json& in) {
  auto it = in.find(kTrailer);
  if (it == in.end()) return true;
  if (it->is_boolean()) return it->get<bool>();
  if (it->is_object() && it->contains("present") && (*it)["present"].is_boolean())
    return (*it)["present"].get<bool>();
  throw ToolError(std::string(kTrailer) + ": expected true, false or {\"present\": ...}");
}

}  // namespace

std::string FieldName(int field) {
  for (const NamedField& named : kNamedFields)
    if (named.field == field) return named.name;
  return "field" + std::to_string(field);
}

int FieldNumber(const std::string& name) {
  for (const NamedField& named : kNamedFields)
    if (name == named.name) return named.field;
  if (name.rfind("field", 0) != 0 || name.size() < 6 || name.size() > 7 || name[5] == '0') return 0;
  int field = 0;
  for (size_t i = 5; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    field = field * 10 + (name[i] - '0');
  }
  // A field with a readable name is known by that name only.
  if (field < 1 || field > 57 || FieldName(field) != name) return 0;
  return field;
}

int DecidingField(int field) {
  switch (field) {
    case 15:
      return 14;
    case 18:
      return 17;
    case 24:
    case 25:
    case 26:
      return 23;
    case 28:
    case 29:
      return 27;
    case 31:
    case 32:
    case 33:
      return 30;
    case 36:
    case 37:
    case 38:
      return 35;
    case 47:
      return 46;
    default:
      return 0;
  }
}

OrderedJson DocumentToJson(const ConfigDocument& document, const std::string& pictureFile) {
  OrderedJson out = OrderedJson::object();
  JsonWriter writer(out, pictureFile);
  kit::config::WalkFields(document.config, writer);
  if (!writer.escaped().empty()) out[kEscapedLengths] = writer.escaped();
  if (!document.extraBytes.empty()) out[kExtraBytes] = ToHex(document.extraBytes);
  size_t plainLength = PlainStreamOf(document).size();
  out[kTrailer] = OrderedJson{{"present", document.trailer},
                              {"length", document.trailer ? TrailerLengthFor(plainLength) : 0}};
  return out;
}

ConfigDocument DocumentFromJson(const Json& json, const fs::path& baseFolder,
                                std::vector<std::string>& notes) {
  if (!json.is_object()) throw ToolError("expected a JSON object of named fields");
  ConfigDocument document;
  JsonReader reader(json, baseFolder, notes);
  kit::config::WalkFields(document.config, reader);
  reader.CheckAllUsed();
  auto extra = json.find(kExtraBytes);
  if (extra != json.end()) {
    if (!extra->is_string()) throw ToolError(std::string(kExtraBytes) + ": expected hex digits");
    document.extraBytes = FromHex(extra->get<std::string>(), kExtraBytes);
  }
  document.trailer = TrailerFromJson(json);
  return document;
}

ConfigDocument ReadDocumentFile(const fs::path& path, std::vector<std::string>& notes) {
  Json json = ParseJson(ReadWholeText(path), path.string());
  ConfigDocument document;
  try {
    document = DocumentFromJson(json, path.parent_path(), notes);
  } catch (const ToolError& e) {
    throw ToolError(path.string() + ": " + e.what());
  }
  for (std::string& note : ConfigurationNotes(document.config)) notes.push_back(std::move(note));
  return document;
}

std::string AgreementTextFromFile(const std::string& fileBytes, const std::string& what) {
  std::string utf8 = fileBytes.rfind("\xEF\xBB\xBF", 0) == 0 ? fileBytes.substr(3) : fileBytes;
  std::string text = Utf8ToLatin1(utf8, what);
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
  return out;
}

Json ParseJson(const std::string& text, const std::string& what) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw ToolError(what + ": not valid JSON: " + e.what());
  }
}

}  // namespace kittool
