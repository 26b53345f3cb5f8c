// The real launcher and the real stand-in sign-up program under Wine.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/e2e/wine_harness.h"

namespace kit::wine {
namespace {

using nlohmann::json;

class LaunchUnderWine : public KitUnderWine {
 protected:
  void SetUp() override {
    KitUnderWine::SetUp();
    fs::copy_file(Prefix::Win64Bin() / "launcher.exe", kit / "setup.exe");
    // An empty configuration: no agreement, nothing for the launcher to act on.
    WriteFileBytes(kit / "setup.oid", "");
  }

  json Report(const std::string& program) {
    std::string text = ReportText(program);
    return text.empty() ? json() : json::parse(text);
  }
};

TEST_F(LaunchUnderWine, StartsTheSignupProgramFromTheTemporaryFolderWithItsOptions) {
  RunResult run = prefix.Run(kit / "setup.exe", {"$name=jo$oemail$prof=home"}, env);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  json report = Report("temp");
  ASSERT_FALSE(report.is_null()) << "the sign-up program did not run";
  std::string temp = prefix.ToWindows(prefix.TempFolder()) + "\\";
  std::string kitFolder = prefix.ToWindows(kit) + "\\";
  EXPECT_EQ(report["commandLine"],
            temp + "temp.exe path=" + kitFolder + "$name=jo$OEMail$file=setup$prof=home");
  EXPECT_EQ(report["currentFolder"], temp.substr(0, temp.size() - 1));
  EXPECT_EQ(report["tokens"], json({"path=" + kitFolder, "name=jo", "OEMail", "file=setup",
                                    "prof=home"}));
  bool sawProgram = false;
  for (const json& file : report["files"]) sawProgram |= file["name"] == "temp.exe";
  EXPECT_TRUE(sawProgram);
}

TEST_F(LaunchUnderWine, WaitsForTheSignupProgramThenStartsTheShortcutProgram) {
  fs::copy_file(Prefix::Win64Bin() / "signup.exe", kit / "AddShortcut.exe");
  env["SIGNUP_SLEEP_MS"] = "1500";
  RunResult run = prefix.Run(kit / "setup.exe", {}, env);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_GE(run.seconds, 1.5) << "the launcher returned before the sign-up program ended";

  json signup = Report("temp");
  ASSERT_FALSE(signup.is_null());
  // The shortcut program is not waited for: give it time to write.
  json shortcut;
  for (int i = 0; i < 100 && shortcut.is_null(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    shortcut = Report("AddShortcut");
  }
  ASSERT_FALSE(shortcut.is_null()) << "AddShortcut.exe did not run";
  EXPECT_GE(shortcut["startedAt"].get<uint64_t>(), signup["endedAt"].get<uint64_t>());
  EXPECT_EQ(shortcut["commandLine"], "\"" + prefix.ToWindows(kit) + "\\AddShortcut.exe\"");
}

TEST_F(LaunchUnderWine, EndsWithZeroWhenThereIsNoConfiguration) {
  fs::remove(kit / "setup.oid");
  WriteFileBytes(prefix.TempFolder() / "old.oid", "x");
  RunResult run = prefix.Run(kit / "setup.exe", {}, env);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Report("temp").is_null());
  EXPECT_FALSE(fs::exists(prefix.TempFolder() / "old.oid")) << "the clean-up runs first";
}

TEST_F(LaunchUnderWine, AKitFolderWithBlanksStillStartsTheRightPrograms) {
  fs::path spaced = prefix.MakeKitFolder("with blanks");
  fs::copy_file(kit / "setup.exe", spaced / "setup.exe");
  WriteFileBytes(spaced / "setup.oid", "");
  fs::copy_file(Prefix::Win64Bin() / "signup.exe", spaced / "AddShortcut.exe");
  RunResult run = prefix.Run(spaced / "setup.exe", {}, env);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_FALSE(Report("temp").is_null());
  json shortcut;
  for (int i = 0; i < 100 && shortcut.is_null(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    shortcut = Report("AddShortcut");
  }
  EXPECT_FALSE(shortcut.is_null());
}

}  // namespace
}  // namespace kit::wine
