// Kits made by kittool, run by the real launcher under Wine: the packed
// configuration reaches the sign-up program, and what `kittool check`
// foretold is what the launcher did.
#include <gtest/gtest.h>

#include <future>
#include <nlohmann/json.hpp>
#include <sstream>

#include "kittool/commands.h"
#include "tests/e2e/wine_harness.h"

namespace kit::wine {
namespace {

using nlohmann::json;

const fs::path kDemoKit = fs::path(KIT_SOURCE_DIR) / "examples" / "demo-kit";

struct ToolRun {
  int code = -1;
  std::string out, err;
};

ToolRun Kittool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  ToolRun run;
  run.code = kittool::RunKittool(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// The value of one "label: value" line of check's report.
std::string ReportLine(const std::string& report, const std::string& label) {
  size_t at = report.find("\n" + label + ":");
  if (at == std::string::npos) return "";
  size_t start = report.find_first_not_of(' ', at + label.size() + 2);
  return report.substr(start, report.find('\n', start) - start);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class KittoolUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(prefix.ok());
    for (const char* program : {"launcher.exe", "customer.exe", "signup.exe"})
      ASSERT_TRUE(fs::exists(Prefix::Win64Bin() / program)) << program << " not built";
    prefix.ClearTempFolder();
    kit = prefix.MakeKitFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    reports = prefix.MakeKitFolder(std::string("reports-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    env = {{"SIGNUP_REPORT", prefix.ToWindows(reports) + "\\{name}.json"}};
  }

  json Report() {
    std::string text = ReadFileText(reports / "temp.json");
    return text.empty() ? json() : json::parse(text);
  }

  Prefix& prefix = Prefix::Shared();
  fs::path kit, reports;
  std::map<std::string, std::string> env;
};

// The demo kit, packed into the real launcher: the customer scrolls through
// the agreement, accepts and continues; the sign-up program gets the
// configuration's profile name and the command line check showed.
TEST_F(KittoolUnderWine, APackedKitReachesTheSignupProgramAsCheckForetold) {
  ToolRun pack =
      Kittool({"pack", "--launcher", (Prefix::Win64Bin() / "launcher.exe").string(), "--config",
               (kDemoKit / "config.json").string(), "-o", (kit / "Harbour.exe").string()});
  ASSERT_EQ(pack.code, 0) << pack.err;
  fs::copy_file(kDemoKit / "bookmark.htm", kit / "bookmark.htm");
  const std::string options = "$name=jo$OEMail";

  auto launcher = std::async(std::launch::async,
                             [&] { return prefix.Run(kit / "Harbour.exe", {options}, env, 90); });
  RunResult customer = prefix.Run(Prefix::Win64Bin() / "customer.exe",
                                  {"scroll-to-end", "accept", "continue", "gone"}, {}, 60);
  RunResult run = launcher.get();
  ASSERT_EQ(customer.exitCode, 0) << customer.output;
  ASSERT_EQ(run.exitCode, 0) << run.output;

  json report = Report();
  ASSERT_FALSE(report.is_null()) << "the sign-up program did not run";
  EXPECT_EQ(report["config"]["profileName"], "Harbourline Internet");
  EXPECT_EQ(report["config"]["agreement"], true);
  EXPECT_EQ(report["config"]["complete"], true) << report["config"];
  bool bookmarkStaged = false;
  for (const json& file : report["files"]) bookmarkStaged |= file["name"] == "bookmark.htm";
  EXPECT_TRUE(bookmarkStaged);

  ToolRun check = Kittool({"check", kit.string(), "--options", options});
  ASSERT_EQ(check.code, 0) << check.out << check.err;
  std::string foretold = ReportLine(check.out, "sign-up command");
  EXPECT_EQ(foretold,
            "C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\$name=jo$OEMail$file=Harbour"
            "$prof=Harbourline Internet");
  foretold =
      ReplaceAll(foretold, "C:\\WINDOWS\\TEMP\\", prefix.ToWindows(prefix.TempFolder()) + "\\");
  foretold = ReplaceAll(foretold, "C:\\KIT\\", prefix.ToWindows(kit) + "\\");
  EXPECT_EQ(report["commandLine"], foretold);
}

// A configuration without an agreement beside the launcher: check and the
// real run agree on the .oid winning over the package.
TEST_F(KittoolUnderWine, AnEncodedConfigurationBesideAPackedLauncherWins) {
  fs::path work = prefix.MakeKitFolder("KittoolWork");
  json config = {{"version", "1.0"},
                 {"profileName", "Beside The Launcher"},
                 {"picture", (kDemoKit / "picture.bmp").string()}};
  WriteFileBytes(work / "beside.json", config.dump());
  ASSERT_EQ(
      Kittool({"encode", (work / "beside.json").string(), "-o", (kit / "setup.oid").string()}).code,
      0);
  ASSERT_EQ(
      Kittool({"pack", "--launcher", (Prefix::Win64Bin() / "launcher.exe").string(), "--config",
               (kDemoKit / "config.json").string(), "-o", (kit / "setup.exe").string()})
          .code,
      0);
  RunResult run = prefix.Run(kit / "setup.exe", {}, env, 90);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  json report = Report();
  ASSERT_FALSE(report.is_null()) << "the sign-up program did not run";
  EXPECT_EQ(report["config"]["profileName"], "Beside The Launcher");

  ToolRun check = Kittool({"check", (kit / "setup.exe").string()});
  EXPECT_EQ(ReportLine(check.out, "configuration"), "setup.oid beside the launcher");
  std::string foretold = ReportLine(check.out, "sign-up command");
  foretold =
      ReplaceAll(foretold, "C:\\WINDOWS\\TEMP\\", prefix.ToWindows(prefix.TempFolder()) + "\\");
  foretold = ReplaceAll(foretold, "C:\\KIT\\", prefix.ToWindows(kit) + "\\");
  EXPECT_EQ(report["commandLine"], foretold);
}

}  // namespace
}  // namespace kit::wine
