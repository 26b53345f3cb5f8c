#include "tests/e2e/wine_harness.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace kit::wine {
namespace {

const char* kLoader = "/usr/lib/wine/wine64";
const char* kServer = "/usr/lib/wine/wineserver";

// Runs a Linux command, its output into `output`; -1 when it had to be killed.
int RunCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               int timeoutSeconds, std::string* output, bool* timedOut) {
  char outputPath[] = "/tmp/kit-wine-XXXXXX";
  int outputFd = mkstemp(outputPath);
  pid_t child = fork();
  if (child == 0) {
    dup2(outputFd, 1);
    dup2(outputFd, 2);
    setpgid(0, 0);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  *timedOut = false;
  for (;;) {
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      *timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  close(outputFd);
  *output = ReadFileText(outputPath);
  unlink(outputPath);
  if (*timedOut || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

fs::path WineDir() {
  if (const char* dir = std::getenv("KIT_WINE_DIR")) return dir;
  return KIT_WINE_DIR;
}

class ServerKeeper : public ::testing::Environment {
 public:
  void TearDown() override {
    if (!started) return;
    std::string out;
    bool timedOut;
    RunCommand({kServer, "-k"}, {{"WINEPREFIX", root}}, 30, &out, &timedOut);
  }
  bool started = false;
  std::string root;
};

ServerKeeper* keeper =
    static_cast<ServerKeeper*>(::testing::AddGlobalTestEnvironment(new ServerKeeper));

}  // namespace

std::string ReadFileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path Prefix::Win64Bin() {
  if (const char* dir = std::getenv("KIT_WIN64_BIN")) return dir;
  return KIT_WIN64_BIN;
}

Prefix& Prefix::Shared() {
  static Prefix prefix;
  if (!prefix.ok_) ADD_FAILURE() << "no usable Wine prefix at " << prefix.root_;
  return prefix;
}

Prefix::Prefix() {
  root_ = fs::absolute(WineDir() / "prefix");
  env_ = {{"WINEPREFIX", root_.string()}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
  if (!fs::exists(kLoader)) return;
  std::string out;
  bool timedOut;
  bool fresh = !fs::exists(root_ / "system.reg");
  if (fresh) {
    fs::create_directories(root_);
    if (RunCommand({kLoader, "wineboot", "-i"}, env_, 300, &out, &timedOut) != 0) return;
    // Dialogs without an X server: Wine's null display driver.
    RunCommand({kLoader, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/t",
                "REG_SZ", "/d", "null", "/f"},
               env_, 120, &out, &timedOut);
    RunCommand({kServer, "-k"}, env_, 60, &out, &timedOut);
  }
  // Keep one server for the whole binary, warmed up by a first program.
  RunCommand({kServer, "-p"}, env_, 60, &out, &timedOut);
  RunCommand({kLoader, "cmd", "/c", "exit"}, env_, 120, &out, &timedOut);
  keeper->started = true;
  keeper->root = root_.string();
  ok_ = fs::exists(DriveC());
}

fs::path Prefix::TempFolder() const {
  // The user's folder carries the name of whoever made the prefix.
  for (const auto& entry : fs::directory_iterator(DriveC() / "users")) {
    std::string name = entry.path().filename().string();
    if (name != "Public" && fs::exists(entry.path() / "Temp")) return entry.path() / "Temp";
  }
  return DriveC() / "users" / "root" / "Temp";
}

std::string Prefix::ToWindows(const fs::path& path) const {
  fs::path absolute = fs::absolute(path).lexically_normal();
  std::string text = absolute.string();
  std::string driveC = DriveC().lexically_normal().string();
  std::string windows;
  if (text.rfind(driveC, 0) == 0) {
    windows = "C:" + text.substr(driveC.size());
    if (windows == "C:") windows = "C:\\";
  } else {
    windows = "Z:" + text;
  }
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

RunResult Prefix::Run(const fs::path& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env, int timeoutSeconds) const {
  std::vector<std::string> argv = {kLoader, program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> all = env_;
  for (const auto& [name, value] : env) all[name] = value;
  RunResult result;
  auto start = std::chrono::steady_clock::now();
  result.exitCode = RunCommand(argv, all, timeoutSeconds, &result.output, &result.timedOut);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

void Prefix::ClearTempFolder() const {
  fs::path temp = TempFolder();
  if (!fs::exists(temp)) return;
  for (const auto& entry : fs::directory_iterator(temp)) fs::remove_all(entry.path());
}

std::vector<std::string> Prefix::ListDriveC() const {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(
           DriveC(), fs::directory_options::skip_permission_denied)) {
    if (entry.is_regular_file() || entry.is_symlink())
      files.push_back(fs::relative(entry.path(), DriveC()).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void KitUnderWine::SetUp() {
  ASSERT_TRUE(prefix.ok());
  prefix.ClearTempFolder();
  kit = prefix.MakeKitFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  reports = kit / "reports";
  fs::create_directories(reports);
  env = {{"SIGNUP_REPORT", prefix.ToWindows(reports) + "\\{name}.json"}};
}

std::string KitUnderWine::ReportText(const std::string& program) const {
  return ReadFileText(reports / (program + ".json"));
}

fs::path Prefix::MakeKitFolder(const std::string& name) const {
  fs::path folder = DriveC() / "kits" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

}  // namespace kit::wine
