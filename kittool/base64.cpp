#include "kittool/base64.h"

#include "kittool/tool_error.h"

namespace kittool {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64(const std::vector<uint8_t>& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t at = 0; at < bytes.size(); at += 3) {
    size_t left = bytes.size() - at;
    uint32_t group = bytes[at] << 16;
    if (left > 1) group |= bytes[at + 1] << 8;
    if (left > 2) group |= bytes[at + 2];
    out.push_back(kAlphabet[(group >> 18) & 63]);
    out.push_back(kAlphabet[(group >> 12) & 63]);
    out.push_back(left > 1 ? kAlphabet[(group >> 6) & 63] : '=');
    out.push_back(left > 2 ? kAlphabet[group & 63] : '=');
  }
  return out;
}

std::vector<uint8_t> DecodeBase64(const std::string& text, const std::string& what) {
  if (text.size() % 4 != 0)
    throw ToolError(what + ": Base64 text of " + std::to_string(text.size()) +
                    " characters, not a multiple of 4");
  std::vector<uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  for (size_t at = 0; at < text.size(); at += 4) {
    bool last = at + 4 == text.size();
    int padding = 0;
    uint32_t group = 0;
    for (size_t i = 0; i < 4; ++i) {
      char c = text[at + i];
      int digit = Digit(c);
      if (c == '=' && last && i >= 2) {  // "xx==" or "xxx="
        ++padding;
        digit = 0;
      } else if (digit < 0 || padding > 0) {
        throw ToolError(what + ": not Base64 at character " + std::to_string(at + i));
      }
      group = (group << 6) | static_cast<uint32_t>(digit);
    }
    out.push_back(static_cast<uint8_t>(group >> 16));
    if (padding < 2) out.push_back(static_cast<uint8_t>(group >> 8));
    if (padding < 1) out.push_back(static_cast<uint8_t>(group));
  }
  return out;
}

}  // namespace kittool
