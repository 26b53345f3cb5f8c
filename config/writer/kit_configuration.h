// A kit's configuration as readable values: one member per field of the
// stored record stream, in stream order, numbered as the reader numbers
// them. Fields whose meaning belongs to the sign-up program alone keep
// their number as their name.
//
// Native tools and tests only: this side uses the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kit {
namespace config {

// A stored text: its bytes, and whether its length is written in the
// escaped three-byte form even when it would fit the one-byte form. Texts of
// 255 bytes or more are always written escaped.
struct Text {
  std::string value;
  bool escapedLength = false;

  Text() = default;
  Text(const char* v) : value(v) {}
  Text(std::string v, bool escaped = false) : value(std::move(v)), escapedLength(escaped) {}
  bool operator==(const Text& other) const {
    return value == other.value && escapedLength == other.escapedLength;
  }
};

struct KitConfiguration {
  Text version;       // 1
  Text text2;         // 2
  Text text3;         // 3
  bool flag4 = false; // 4
  bool flag5 = false; // 5
  Text profileName;   // 6: the dial-up connection's name
  Text text7;         // 7
  bool flag8 = false; // 8
  bool flag9 = false; // 9
  Text text10, text11, text12, text13;  // 10 to 13
  bool desktopShortcut = false;         // 14: decides 15
  Text shortcutText;                    // 15
  bool dialAtEnd = false;               // 16
  bool flag17 = false;                  // 17: decides 18
  Text text18;                          // 18
  bool hangUpOnRefusal = false;         // 19
  bool flag20 = false, flag21 = false, flag22 = false;  // 20 to 22
  bool hasAgreement = false;            // 23: decides 24 to 26
  bool scrollToAccept = false;          // 24
  Text agreementText;                   // 25
  Text agreementCaption;                // 26
  bool flag27 = false;                  // 27: decides 28 and 29
  Text text28, text29;                  // 28, 29
  bool flag30 = false;                  // 30: decides 31 to 33
  uint32_t number31 = 0;                // 31
  Text text32, text33;                  // 32, 33
  bool flag34 = false;                  // 34
  bool flag35 = false;                  // 35: decides 36 to 38
  uint32_t number36 = 0;                // 36
  Text text37, text38;                  // 37, 38
  Text text39, text40, text41, text42, text43, text44, text45;  // 39 to 45
  Text copyInstruction;                 // 46: "yes" makes 47 present
  Text copyFile;                        // 47: copied under the Windows drive root
  Text text48, text49, text50;          // 48 to 50
  bool flag51 = false, flag52 = false, flag53 = false, flag54 = false;  // 51 to 54
  Text text55, text56;                  // 55, 56
  std::vector<uint8_t> picture;         // 57: a whole BMP file

  // Whether the conditional fields are in the stream, as the reader decides.
  bool HasCopyFile() const;
};

// A text as the reader delivers it: up to its first zero byte, "blank" as
// the empty text.
std::string DeliveredValue(const std::string& stored);

}  // namespace config
}  // namespace kit
