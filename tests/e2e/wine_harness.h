// Running the real Windows builds under Wine from GoogleTest.
//
// One private Wine prefix serves the whole test binary: it is made once
// (build/wine/prefix, or $KIT_WINE_DIR/prefix), switched to Wine's null
// display driver so dialogs work without an X server, and its server is kept
// running for the binary's lifetime so that each program starts in a
// fraction of a second.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kit::wine {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;  // the Windows program's exit code; -1 when killed
  bool timedOut = false;
  std::string output;  // stdout and stderr together
  double seconds = 0;
};

class Prefix {
 public:
  // The shared prefix, made and started on first use. Fails the current
  // test (and returns a prefix whose `ok()` is false) when Wine is missing.
  static Prefix& Shared();

  bool ok() const { return ok_; }
  const fs::path& root() const { return root_; }  // WINEPREFIX
  fs::path DriveC() const { return root_ / "drive_c"; }
  fs::path TempFolder() const;                     // GetTempPathA's folder
  fs::path SystemFolder() const { return DriveC() / "windows" / "system32"; }

  // "C:\..." for paths inside drive_c, "Z:\..." for the rest of the system.
  std::string ToWindows(const fs::path& path) const;

  // Runs a Windows program with arguments under the 64-bit loader. `env`
  // adds to (or replaces in) the environment of this process. The Windows
  // command line is made by Wine from the arguments; an argument without
  // blanks or quotes reaches the program unchanged.
  RunResult Run(const fs::path& program, const std::vector<std::string>& args = {},
                const std::map<std::string, std::string>& env = {},
                int timeoutSeconds = 120) const;

  // Empties the temporary folder (between tests).
  void ClearTempFolder() const;
  // Every file under drive_c, relative to it, for before/after comparisons
  // (the Wine prefix's own registry files are outside drive_c).
  std::vector<std::string> ListDriveC() const;

  // Where the win64 build put its programs.
  static fs::path Win64Bin();
  // A fresh, empty folder for this test, inside drive_c.
  fs::path MakeKitFolder(const std::string& name) const;

 private:
  Prefix();
  bool ok_ = false;
  fs::path root_;
  std::map<std::string, std::string> env_;
};

// A test with a kit folder of its own in the shared prefix, named after the
// test, an empty temporary folder, and the stand-in's reports going to
// <kit>/reports/<program>.json.
class KitUnderWine : public ::testing::Test {
 protected:
  void SetUp() override;
  // The report a program wrote ("temp" for the sign-up program), or "".
  std::string ReportText(const std::string& program) const;

  Prefix& prefix = Prefix::Shared();
  fs::path kit, reports;
  std::map<std::string, std::string> env;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileText(const fs::path& path);
void WriteFileBytes(const fs::path& path, const std::string& bytes);

}  // namespace kit::wine
