#include "signup/config_report.h"

#include "config/scramble.h"
#include "config/writer/config_decoder.h"
#include "signup/report.h"

namespace signup {
namespace {

bool IsFileToken(const std::string& token) {
  static const char keyword[] = "file=";
  if (token.size() < 5) return false;
  for (size_t i = 0; i < 5; ++i) {
    char c = token[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return true;
}

}  // namespace

std::string ConfigurationFileName(const std::vector<std::string>& tokens) {
  for (const std::string& token : tokens) {
    if (!IsFileToken(token)) continue;
    std::string name = token.substr(5);
    for (char& c : name)
      if (c == '^') c = ' ';
    return name + ".oid";
  }
  return std::string();
}

std::string ConfigJson(const std::string& fileName, const std::vector<unsigned char>& stored) {
  // Descrambled with the launcher's own operation, so that the report shows
  // what a sign-up program reading the same bytes would see.
  kit::OidBuffer stream;
  bool held = stream.Append(stored.data(), static_cast<kit::u32>(stored.size())) &&
              kit::ScrambleOid(stream, kit::kScrambleBlockSize, false);
  kit::config::DecodeResult decoded =
      held ? kit::config::DecodeConfiguration(stream.Data(), stream.Length())
           : kit::config::DecodeResult();
  const kit::config::KitConfiguration& c = decoded.config;
  std::string json = "{";
  json += "\"file\": " + JsonString(fileName);
  json += ", \"profileName\": " + JsonString(kit::config::DeliveredValue(c.profileName.value));
  json += std::string(", \"agreement\": ") + (c.hasAgreement ? "true" : "false");
  json += std::string(", \"copyInstruction\": ") + (c.HasCopyFile() ? "true" : "false");
  json += ", \"copyFile\": " + JsonString(kit::config::DeliveredValue(c.copyFile.value));
  json += std::string(", \"complete\": ") + (decoded.complete ? "true" : "false");
  if (!decoded.complete) json += ", \"error\": " + JsonString(decoded.error);
  return json + "}";
}

}  // namespace signup
