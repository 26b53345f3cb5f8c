#include "kittool/latin1.h"

#include <cstdio>

#include "kittool/tool_error.h"

namespace kittool {
namespace {

std::string CodePointName(unsigned long codePoint) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04lX", codePoint);
  return name;
}

// Length of the UTF-8 sequence a lead byte opens; 0 for a byte that cannot
// open one.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The code point of the sequence at `at`, or -1 when it is malformed
// (overlong, surrogate, out of range or cut short).
long DecodeSequence(const std::string& text, size_t at, size_t length) {
  if (length == 0 || at + length > text.size()) return -1;
  unsigned long value = static_cast<unsigned char>(text[at]) & (0xFFu >> (length + 1));
  if (length == 1) return static_cast<unsigned char>(text[at]);
  for (size_t i = 1; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[at + i]);
    if ((c & 0xC0) != 0x80) return -1;
    value = (value << 6) | (c & 0x3F);
  }
  static const unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return -1;
  return static_cast<long>(value);
}

}  // namespace

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

std::string Utf8ToLatin1(const std::string& utf8, const std::string& what) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
    long codePoint = DecodeSequence(utf8, at, length);
    if (codePoint < 0) throw ToolError(what + ": not UTF-8 at byte " + std::to_string(at));
    if (codePoint > 0xFF)
      throw ToolError(what + ": the character " + CodePointName(codePoint) + " at byte " +
                      std::to_string(at) +
                      " has no 8-bit form; kit texts hold only U+0000 to U+00FF, one byte each");
    out.push_back(static_cast<char>(codePoint));
    at += length;
  }
  return out;
}

}  // namespace kittool
