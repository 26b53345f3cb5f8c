// A catalogue of damaged and crafted kits and hostile machines, run against
// the real launcher under Wine. Whatever the kit holds, the launcher ends
// with exit code 0, does not crash, and writes nothing outside the
// temporary folder. Each entry's expected and observed outcome is appended to
// the file named by KIT_CATALOGUE_OUT, for the robustness report.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "config/scramble.h"
#include "config/writer/config_decoder.h"
#include "tests/e2e/wine_harness.h"
#include "tests/support/kit_builder.h"

namespace kit::wine {
namespace {

using testkit::Bytes;

void Put32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Entry {
  std::string name;
  bool signupRuns;  // expected: the sign-up program is started
  // Makes the kit: the folder holds setup.exe (the launcher) to change.
  std::function<void(const fs::path& kit)> make;
  std::string options;
  std::string tempFolder;  // a temporary folder of its own (TMP and TEMP), or ""
};

Bytes Launcher() {
  return testkit::ReadFileBytes((Prefix::Win64Bin() / "launcher.exe").string());
}

config::KitConfiguration Plain() {
  config::KitConfiguration c = testkit::FullConfiguration();
  c.hasAgreement = false;
  c.copyInstruction = "no";
  return c;
}

// A .oid beside the launcher holding the first `length` bytes of the plain
// stream of Plain(), scrambled as a kit tool would store it.
void TruncatedOid(const fs::path& kit, size_t length) {
  Bytes plain = testkit::PlainStream(Plain());
  plain.resize(std::min(length, plain.size()));
  OidBuffer buffer;
  buffer.Append(plain.data(), static_cast<u32>(plain.size()));
  ScrambleOid(buffer, kScrambleBlockSize, false);
  testkit::WriteFileBytes((kit / "setup.oid").string(),
                          Bytes(buffer.Data(), buffer.Data() + buffer.Length()));
}

// The picture of Plain() with `change` applied, as an appended package.
void PackWithPicture(const fs::path& kit, std::function<void(Bytes&)> change) {
  config::KitConfiguration c = Plain();
  change(c.picture);
  testkit::WriteFileBytes((kit / "setup.exe").string(), testkit::WithPackage(Launcher(), c));
}

std::vector<Entry> Catalogue() {
  std::vector<Entry> entries;
  config::DecodeResult layout = config::DecodeConfiguration(testkit::PlainStream(Plain()));
  // Truncated inside every field kind: a text's length byte, an escaped
  // length, a text's body, a flag, a number, the picture's headers and bits.
  struct Cut {
    const char* what;
    int field;
    size_t into;
  } cuts[] = {{"inside a text's length", 43, 2},  {"inside a text's body", 1, 3},
              {"inside a flag", 4, 2},            {"inside a number", 31, 3},
              {"inside the picture's header", 57, 20}, {"inside the picture's bits", 57, 100}};
  for (const Cut& cut : cuts) {
    size_t at = layout.fieldOffset[cut.field] + cut.into;
    entries.push_back({std::string("configuration cut ") + cut.what, true,
                       [at](const fs::path& kit) { TruncatedOid(kit, at); }});
  }
  entries.push_back({"an empty .oid", true, [](const fs::path& kit) { TruncatedOid(kit, 0); }});
  entries.push_back({"a text announcing 65,535 bytes at the end", true, [](const fs::path& kit) {
                       Bytes plain = testkit::PlainStream(Plain());
                       plain.resize(10);
                       plain.insert(plain.end(), {0xFF, 0xFF, 0xFF});
                       OidBuffer buffer;
                       buffer.Append(plain.data(), static_cast<u32>(plain.size()));
                       ScrambleOid(buffer, kScrambleBlockSize, false);
                       testkit::WriteFileBytes((kit / "setup.oid").string(),
                                               Bytes(buffer.Data(), buffer.Data() + 13));
                     }});
  for (uint32_t offBits : {0u, 13u, 0x7FFFFFFFu})
    entries.push_back({"picture bfOffBits " + std::to_string(offBits), true,
                       [offBits](const fs::path& kit) {
                         PackWithPicture(kit, [offBits](Bytes& p) { Put32(p, 10, offBits); });
                       }});
  entries.push_back({"picture biSizeImage 0xFFFFFFFF", true, [](const fs::path& kit) {
                       PackWithPicture(kit, [](Bytes& p) { Put32(p, 34, 0xFFFFFFFFu); });
                     }});
  for (int32_t side : {-1, -2147483647 - 1, 0x7FFFFFFF, 65536})
    entries.push_back({"picture width and height " + std::to_string(side), true,
                       [side](const fs::path& kit) {
                         PackWithPicture(kit, [side](Bytes& p) {
                           Put32(p, 18, static_cast<uint32_t>(side));
                           Put32(p, 22, static_cast<uint32_t>(side));
                         });
                       }});
  entries.push_back({"the marker as the last ten bytes", true, [](const fs::path& kit) {
                       Bytes exe = Launcher();
                       Bytes marker = testkit::PackageMarker();
                       exe.insert(exe.end(), marker.begin(), marker.end());
                       testkit::WriteFileBytes((kit / "setup.exe").string(), exe);
                     }});
  entries.push_back({"a marker split over the end of the file", false, [](const fs::path& kit) {
                       Bytes exe = Launcher();
                       Bytes marker = testkit::PackageMarker();
                       exe.insert(exe.end(), marker.begin(), marker.begin() + 5);
                       testkit::WriteFileBytes((kit / "setup.exe").string(), exe);
                     }});
  auto plainKit = [](const fs::path& kit) {
    testkit::WriteFileBytes((kit / "setup.exe").string(), testkit::WithPackage(Launcher(), Plain()));
  };
  std::string longLine;
  while (longLine.size() < 10000) longLine += "$name=" + std::to_string(longLine.size());
  entries.push_back({"a command line of 10,000 characters", true, plainKit, longLine});
  // Every stored option exactly at its entry's size less one, then one past.
  const std::pair<const char*, size_t> sizes[] = {
      {"name=", 50}, {"gate=", 100}, {"popname=", 20}, {"area=", 10}, {"DNS=", 100},
      {"copy=", 20}, {"file=", 150}, {"prof=", 50},    {"next=", 255}, {"prefix=", 57}};
  for (size_t extra : {0u, 1u}) {
    std::string options;
    for (const auto& [keyword, size] : sizes) {
      std::string token = keyword;
      token += std::string(size - 1 + extra - token.size(), 'v');
      options += "$" + token;
    }
    entries.push_back({extra ? "every option one past its buffer" : "every option at its buffer",
                       true, plainKit, options});
  }
  std::string deep = "C:\\t";
  while (deep.size() < 240) deep += "\\" + std::string(std::min<size_t>(60, 239 - deep.size()), 'd');
  // The version-installation service cannot expand into a folder this deep,
  // so there is no sign-up program to start; the run still ends cleanly.
  entries.push_back({"a temporary folder path of 240 characters", false, plainKit, "", deep});
  entries.push_back({"a temporary folder path with a $", true, plainKit, "", "C:\\tmp$dollar"});
  return entries;
}

class HostileKits : public ::testing::TestWithParam<size_t> {};

std::vector<std::string> Outside(const std::vector<std::string>& files) {
  std::vector<std::string> kept;
  for (const std::string& f : files) {
    bool inside = f.rfind("kits/", 0) == 0 || f.find("/Temp/") != std::string::npos ||
                  f.rfind("tmp$dollar/", 0) == 0 || f.rfind("t/", 0) == 0;
    if (!inside) kept.push_back(f);
  }
  return kept;
}

TEST_P(HostileKits, EndsQuietlyAndWritesNothingOutsideTheTemporaryFolder) {
  Entry entry = Catalogue()[GetParam()];
  SCOPED_TRACE(entry.name);
  Prefix& prefix = Prefix::Shared();
  ASSERT_TRUE(prefix.ok());
  prefix.ClearTempFolder();
  fs::path kit = prefix.MakeKitFolder("hostile");
  fs::path reports = kit / "reports";
  fs::create_directories(reports);
  testkit::WriteFileBytes((kit / "setup.exe").string(), Launcher());
  entry.make(kit);
  std::vector<std::string> before = Outside(prefix.ListDriveC());

  std::string report = prefix.ToWindows(reports) + "\\{name}.json";
  RunResult run;
  if (entry.tempFolder.empty()) {
    run = prefix.Run(kit / "setup.exe", {entry.options}, {{"SIGNUP_REPORT", report}});
  } else {
    // Wine takes TMP and TEMP from its registry, so they are set through a
    // command interpreter, whose children inherit them.
    std::string unixTemp = entry.tempFolder.substr(3);
    std::replace(unixTemp.begin(), unixTemp.end(), '\\', '/');
    fs::create_directories(prefix.DriveC() / unixTemp);
    std::string line = "set SIGNUP_REPORT=" + report + "&& set TMP=" + entry.tempFolder +
                       "&& set TEMP=" + entry.tempFolder + "&& " +
                       prefix.ToWindows(kit / "setup.exe") + " " + entry.options;
    run = prefix.Run("cmd", {"/c", line});
  }
  bool signupRan = fs::exists(reports / "temp.json");

  std::string observed = run.timedOut ? "hung"
                         : run.exitCode != 0 ? "exit " + std::to_string(run.exitCode)
                         : signupRan ? "exit 0, sign-up program started"
                                     : "exit 0, sign-up program not started";
  std::string expected = entry.signupRuns ? "exit 0, sign-up program started"
                                          : "exit 0, sign-up program not started";
  std::vector<std::string> after = Outside(prefix.ListDriveC());
  if (const char* out = std::getenv("KIT_CATALOGUE_OUT")) {
    std::ofstream(out, std::ios::app) << entry.name << "\t" << expected << "\t" << observed
                                      << (before == after ? "" : "; wrote outside") << "\n";
  }
  EXPECT_EQ(observed, expected) << run.output;
  EXPECT_EQ(before, after) << "files appeared or vanished outside the temporary folder";
  if (!entry.tempFolder.empty()) {
    std::string top = entry.tempFolder.substr(3);
    fs::remove_all(prefix.DriveC() / top.substr(0, top.find('\\')));
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileKits,
                         ::testing::Range<size_t>(0, Catalogue().size()));

}  // namespace
}  // namespace kit::wine
