// Building kits for tests from readable values: configurations, their stored
// forms, pictures, and executables with a package appended.
//
// For the unit tests (against the in-memory Windows) and the Wine tests
// alike. A Wine test builds a kit folder like this:
//
//   config::KitConfiguration c = testkit::SampleConfiguration();
//   testkit::WriteFileBytes(dir + "/setup.oid", testkit::OidFile(c));     // .oid beside
//   testkit::WriteFileBytes(dir + "/setup.exe",
//       testkit::WithPackage(testkit::ReadFileBytes(launcherExe), c));   // appended
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/writer/kit_configuration.h"

namespace kit {
namespace testkit {

using Bytes = std::vector<uint8_t>;

// A whole BMP file: `bitCount` of 1, 4 or 8 gets a full colour table;
// biSizeImage is 0, so the loader works out the row-rounded size itself.
Bytes MakeBitmap(int32_t width, int32_t height, uint16_t bitCount);

// A typical kit: version, profile name "Acme Dial-Up", an agreement that must
// be scrolled through, hang-up on refusal, no copy instruction, and an
// 8-bit 16 x 8 picture.
config::KitConfiguration SampleConfiguration();

// Every conditional field present and every text, flag and number set to a
// value of its own, so that a reader that skips one field wrongly lands on
// the wrong bytes.
config::KitConfiguration FullConfiguration();

// The plain record stream.
Bytes PlainStream(const config::KitConfiguration& config);

// The ten marker bytes that come before an appended package.
Bytes PackageMarker();

// A `.oid` file's bytes: the stream scrambled, with the trailer.
Bytes OidFile(const config::KitConfiguration& config);
// The appended package: the marker, then the stream scrambled with the trailer.
Bytes Package(const config::KitConfiguration& config);
// `executable` with the package appended.
Bytes WithPackage(Bytes executable, const config::KitConfiguration& config);

// A minimal PE image (headers and two sections) whose raw data ends at
// `imageEnd` (at least 0x202); the section listed first is the one that ends
// last. The section bytes are `fill`.
Bytes FakePeImage(uint32_t imageEnd, uint8_t fill = 0);

// Whole files of the host.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace testkit
}  // namespace kit
