// Base64 (RFC 4648, with padding), for a picture embedded in the JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kittool {

std::string EncodeBase64(const std::vector<uint8_t>& bytes);
// ToolError naming `what` when the text is not whole, padded Base64.
std::vector<uint8_t> DecodeBase64(const std::string& text, const std::string& what);

}  // namespace kittool
