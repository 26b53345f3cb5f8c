// The kit's texts are 8-bit ANSI; JSON is UTF-8. Each byte is carried as the
// code point of the same value (U+0000 to U+00FF), so every byte survives a
// trip through JSON, zero bytes and the 0x80-0x9F range included.
#pragma once

#include <string>

namespace kittool {

std::string Latin1ToUtf8(const std::string& bytes);

// ToolError naming `what` for a character above U+00FF, which no byte
// stands for, or for bytes that are not UTF-8.
std::string Utf8ToLatin1(const std::string& utf8, const std::string& what);

}  // namespace kittool
