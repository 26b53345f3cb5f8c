// The road of a typical run under Wine: one setup.exe with its configuration
// appended, side files beside it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "config/scramble.h"
#include "config/writer/config_decoder.h"
#include "tests/e2e/wine_harness.h"
#include "tests/support/kit_builder.h"

namespace kit::wine {
namespace {

using nlohmann::json;
using testkit::Bytes;

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class StagingUnderWine : public KitUnderWine {
 protected:
  void SetUp() override {
    KitUnderWine::SetUp();
    config = testkit::SampleConfiguration();
    config.hasAgreement = false;
  }

  void Pack() {
    Bytes launcher = testkit::ReadFileBytes((Prefix::Win64Bin() / "launcher.exe").string());
    testkit::WriteFileBytes((kit / "setup.exe").string(), testkit::WithPackage(launcher, config));
  }

  json Report() {
    std::string text = ReportText("temp");
    return text.empty() ? json() : json::parse(text);
  }

  config::KitConfiguration config;
};

TEST_F(StagingUnderWine, ATypicalKitStagesEverythingTheSignupProgramNeeds) {
  config.copyInstruction = "yes";
  config.copyFile = "kitnotes\\readme.txt";
  Pack();
  WriteFileBytes(kit / "readme.txt", "read me");
  WriteFileBytes(kit / "bookmark.htm", "<a href=x>x</a>");
  WriteFileBytes(kit / "veltosignup.exe", "welcome");
  WriteFileBytes(kit / "inbox", "mail");
  fs::create_directories(prefix.DriveC() / "kitnotes");
  fs::remove(prefix.DriveC() / "kitnotes" / "readme.txt");

  RunResult run = prefix.Run(kit / "setup.exe", {"$name=jo"}, env);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  // temp.exe is the stand-in, expanded byte for byte.
  fs::path temp = prefix.TempFolder();
  EXPECT_EQ(ReadFileText(temp / "temp.exe"), ReadFileText(Prefix::Win64Bin() / "signup.exe"));
  EXPECT_FALSE(fs::exists(temp / "temp.ex_"));
  EXPECT_EQ(ReadFileText(temp / "bookmark.htm"), "<a href=x>x</a>");
  EXPECT_EQ(ReadFileText(temp / "veltosignup.exe"), "welcome");
  EXPECT_EQ(ReadFileText(temp / "Inbox"), "mail");

  // The configuration, scrambled with a trailer, decodes to the original.
  Bytes staged = testkit::ReadFileBytes((temp / "setup.oid").string());
  ASSERT_EQ(staged.size() % 32, 0u);
  OidBuffer buffer;
  buffer.Append(staged.data(), static_cast<u32>(staged.size()));
  ScrambleOid(buffer, kScrambleBlockSize, false);
  Bytes plain = testkit::PlainStream(config);
  ASSERT_GE(buffer.Length(), plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), buffer.Data()));
  config::DecodeResult decoded =
      config::DecodeConfiguration(buffer.Data(), buffer.Length());
  EXPECT_TRUE(decoded.complete) << decoded.error;

  json report = Report();
  ASSERT_FALSE(report.is_null()) << "the sign-up program did not run";
  std::string kitFolder = prefix.ToWindows(kit) + "\\";
  std::string program = prefix.ToWindows(temp) + "\\temp.exe";
  EXPECT_EQ(report["commandLine"],
            program + " path=" + kitFolder + "$name=jo$file=setup$prof=Acme Dial-Up");
  EXPECT_EQ(report["config"]["profileName"], "Acme Dial-Up");

  // The copy instruction placed its file under the Windows drive root.
  EXPECT_EQ(ReadFileText(prefix.DriveC() / "kitnotes" / "readme.txt"), "read me");
}

TEST_F(StagingUnderWine, AConfigurationBesideTheLauncherWinsAndIsCopiedAsItIs) {
  Pack();
  config::KitConfiguration beside = config;
  beside.profileName = "Beside";
  Bytes oid = testkit::OidFile(beside);
  testkit::WriteFileBytes((kit / "setup.oid").string(), oid);
  RunResult run = prefix.Run(kit / "setup.exe", {}, env);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(testkit::ReadFileBytes((prefix.TempFolder() / "setup.oid").string()), oid);
  json report = Report();
  ASSERT_FALSE(report.is_null());
  EXPECT_EQ(report["tokens"].back(), "prof=Beside");
}

}  // namespace
}  // namespace kit::wine
