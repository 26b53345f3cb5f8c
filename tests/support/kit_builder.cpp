#include "tests/support/kit_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "config/writer/config_writer.h"

namespace kit {
namespace testkit {
namespace {

void Put16(Bytes& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(Bytes& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

Bytes MakeBitmap(int32_t width, int32_t height, uint16_t bitCount) {
  const uint32_t colors = bitCount <= 8 ? (1u << bitCount) : 0;
  const uint32_t rowBytes = ((static_cast<uint32_t>(width) * bitCount + 31) / 32) * 4;
  const uint32_t offBits = 14 + 40 + 4 * colors;
  Bytes bmp(offBits + rowBytes * static_cast<uint32_t>(height));
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put32(bmp, 2, static_cast<uint32_t>(bmp.size()));
  Put32(bmp, 10, offBits);
  Put32(bmp, 14, 40);
  Put32(bmp, 18, static_cast<uint32_t>(width));
  Put32(bmp, 22, static_cast<uint32_t>(height));
  Put16(bmp, 26, 1);
  Put16(bmp, 28, bitCount);
  for (uint32_t i = 0; i < colors; ++i) {  // a grey ramp with a blue tint
    bmp[54 + 4 * i] = static_cast<uint8_t>(255 - i);
    bmp[54 + 4 * i + 1] = static_cast<uint8_t>(i);
    bmp[54 + 4 * i + 2] = static_cast<uint8_t>(i);
  }
  for (size_t i = offBits; i < bmp.size(); ++i) bmp[i] = static_cast<uint8_t>(i * 7);
  return bmp;
}

config::KitConfiguration SampleConfiguration() {
  config::KitConfiguration c;
  c.version = "5.0";
  c.profileName = "Acme Dial-Up";
  c.hangUpOnRefusal = true;
  c.hasAgreement = true;
  c.scrollToAccept = true;
  std::string agreement = "ACME ONLINE SUBSCRIBER AGREEMENT\r\n\r\n";
  for (int i = 1; i <= 40; ++i)
    agreement += std::to_string(i) + ". The subscriber agrees to clause " + std::to_string(i) +
                 " of the terms of service.\r\n";
  c.agreementText = agreement;
  c.agreementCaption = "Acme Online - Terms of Service";
  c.copyInstruction = "no";
  c.picture = MakeBitmap(16, 8, 8);
  return c;
}

config::KitConfiguration FullConfiguration() {
  config::KitConfiguration c;
  config::Text* texts[] = {&c.version, &c.text2,  &c.text3,  &c.text7,  &c.text10, &c.text11,
                           &c.text12,  &c.text13, &c.shortcutText,       &c.text18, &c.text28,
                           &c.text29,  &c.text32, &c.text33, &c.text37, &c.text38, &c.text39,
                           &c.text40,  &c.text41, &c.text42, &c.text43, &c.text44, &c.text45,
                           &c.text48,  &c.text49, &c.text50, &c.text55, &c.text56};
  int n = 0;
  for (config::Text* text : texts) *text = "text #" + std::to_string(++n);
  c.text42 = config::Text("escaped though short", true);
  c.text43 = std::string(300, 'L');  // only the escaped form can hold it
  c.flag4 = c.flag5 = c.flag8 = c.flag9 = true;
  c.desktopShortcut = c.dialAtEnd = c.flag17 = c.hangUpOnRefusal = true;
  c.flag20 = c.flag21 = c.flag22 = true;
  c.hasAgreement = c.scrollToAccept = true;
  c.flag27 = c.flag30 = c.flag34 = c.flag35 = true;
  c.flag51 = c.flag52 = c.flag53 = c.flag54 = true;
  c.number31 = 0x31313131;
  c.number36 = 0xFFFFFFFF;
  c.profileName = "Full Profile";
  c.agreementText = "Full agreement.";
  c.agreementCaption = "Full caption";
  c.copyInstruction = "yes";
  c.copyFile = "notes.txt";
  c.picture = MakeBitmap(5, 3, 4);
  return c;
}

Bytes PlainStream(const config::KitConfiguration& config) {
  return config::EncodeConfiguration(config);
}

Bytes PackageMarker() {
  const char marker[] = "AABBCCDDEE";
  return Bytes(marker, marker + 10);
}

Bytes OidFile(const config::KitConfiguration& config) {
  return config::ScrambleForStorage(PlainStream(config), true);
}

Bytes Package(const config::KitConfiguration& config) {
  Bytes package = PackageMarker();
  Bytes stored = OidFile(config);
  package.insert(package.end(), stored.begin(), stored.end());
  return package;
}

Bytes WithPackage(Bytes executable, const config::KitConfiguration& config) {
  Bytes package = Package(config);
  executable.insert(executable.end(), package.begin(), package.end());
  return executable;
}

Bytes FakePeImage(uint32_t imageEnd, uint8_t fill) {
  if (imageEnd < 0x202) throw std::invalid_argument("a PE image ends after its headers");
  const uint32_t headers = 0x200;
  const uint32_t peOffset = 0x40;
  const uint32_t optionalSize = 0xE0;
  const uint32_t sectionTable = peOffset + 24 + optionalSize;
  Bytes image(imageEnd, fill);
  std::fill(image.begin(), image.begin() + headers, 0);
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, peOffset);
  image[peOffset] = 'P';
  image[peOffset + 1] = 'E';
  Put16(image, peOffset + 4, 0x14C);  // i386
  Put16(image, peOffset + 6, 2);
  Put16(image, peOffset + 20, optionalSize);
  Put16(image, peOffset + 24, 0x10B);  // PE32
  Put32(image, peOffset + 24 + 60, headers);
  // First entry: the second half of the raw data; second entry: the first.
  const uint32_t half = headers + (imageEnd - headers) / 2;
  const char* names[] = {".data", ".text"};
  const uint32_t starts[] = {half, headers};
  const uint32_t sizes[] = {imageEnd - half, half - headers};
  for (int i = 0; i < 2; ++i) {
    size_t entry = sectionTable + 40 * i;
    for (int j = 0; names[i][j]; ++j) image[entry + j] = static_cast<uint8_t>(names[i][j]);
    Put32(image, entry + 16, sizes[i]);
    Put32(image, entry + 20, starts[i]);
  }
  return image;
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace testkit
}  // namespace kit
