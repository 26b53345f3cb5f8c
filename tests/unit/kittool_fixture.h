// Running kittool in-process on files in a folder of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "kittool/commands.h"
#include "tests/support/kit_builder.h"

namespace kittool::testing {

namespace fs = std::filesystem;
using kit::testkit::Bytes;

struct ToolRun {
  int code = -1;
  std::string out, err;
};

inline ToolRun Kittool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  ToolRun run;
  run.code = RunKittool(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

class KittoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir = fs::temp_directory_path() / ("kittool-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

 public:
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    fs::create_directories((dir / name).parent_path());
    kit::testkit::WriteFileBytes(Path(name), bytes);
    return Path(name);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, Bytes(text.begin(), text.end()));
  }
  Bytes Read(const std::string& name) const { return kit::testkit::ReadFileBytes(Path(name)); }
  std::string ReadText(const std::string& name) const {
    Bytes bytes = Read(name);
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path dir;
};

}  // namespace kittool::testing
