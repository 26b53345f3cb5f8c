// The stand-in sign-up program.
//
// It writes what it received to the file named by the environment variable
// SIGNUP_REPORT, as JSON: its exact command line, its current folder, the
// "$"-separated tokens after the first blank, what it reads in the
// configuration staged under the file= name (when it is there), and the
// files in its current folder. "{name}" in that file name stands for the program's own base name,
// so that the same program can also serve as a kit's AddShortcut.exe and
// report separately. With SIGNUP_SLEEP_MS set it waits that long before it
// ends, so that a test can tell whether the launcher waited for it; the
// report carries the start and end times to show the order of programs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "signup/config_report.h"
#include "signup/report.h"

namespace {

std::string Environment(const char* name) {
  char value[1024];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string();
}

std::string CurrentFolder() {
  char folder[MAX_PATH + 1] = {};
  DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  return std::string(folder, n < sizeof folder ? n : 0);
}

std::string FilesJson() {
  std::string out = "[";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("*", &found);
  bool first = true;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      unsigned long long size =
          (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      out += first ? "\n    " : ",\n    ";
      first = false;
      out += "{\"name\": " + signup::JsonString(found.cFileName) +
             ", \"size\": " + std::to_string(size) + "}";
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return out + (first ? "]" : "\n  ]");
}

// The configuration staged in the current folder under the file= name,
// when it is there.
bool ReadStagedConfiguration(const std::string& name, std::vector<unsigned char>* bytes) {
  if (name.empty()) return false;
  FILE* in = std::fopen(name.c_str(), "rb");
  if (in == nullptr) return false;
  unsigned char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
    bytes->insert(bytes->end(), chunk, chunk + got);
  std::fclose(in);
  return true;
}

std::string TokensJson(const std::string& commandLine) {
  std::string out = "[";
  bool first = true;
  for (const std::string& token : signup::TokensAfterFirstBlank(commandLine)) {
    out += first ? "" : ", ";
    first = false;
    out += signup::JsonString(token);
  }
  return out + "]";
}

// Milliseconds since 1601, from the system clock, comparable across processes.
unsigned long long Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

std::string OwnBaseName() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of('\\') + 1);
  return name.substr(0, name.find_last_of('.'));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  unsigned long long startedAt = Now();
  std::string commandLine = GetCommandLineA();
  std::string sleep = Environment("SIGNUP_SLEEP_MS");
  if (!sleep.empty()) Sleep(static_cast<DWORD>(std::strtoul(sleep.c_str(), nullptr, 10)));
  std::string reportPath = Environment("SIGNUP_REPORT");
  size_t placeholder = reportPath.find("{name}");
  if (placeholder != std::string::npos) reportPath.replace(placeholder, 6, OwnBaseName());
  if (!reportPath.empty()) {
    std::string json = "{\n";
    json += "  \"program\": " + signup::JsonString(OwnBaseName()) + ",\n";
    json += "  \"startedAt\": " + std::to_string(startedAt) + ",\n";
    json += "  \"endedAt\": " + std::to_string(Now()) + ",\n";
    json += "  \"commandLine\": " + signup::JsonString(commandLine) + ",\n";
    json += "  \"currentFolder\": " + signup::JsonString(CurrentFolder()) + ",\n";
    json += "  \"tokens\": " + TokensJson(commandLine) + ",\n";
    std::string configName =
        signup::ConfigurationFileName(signup::TokensAfterFirstBlank(commandLine));
    std::vector<unsigned char> stored;
    if (ReadStagedConfiguration(configName, &stored))
      json += "  \"config\": " + signup::ConfigJson(configName, stored) + ",\n";
    json += "  \"files\": " + FilesJson() + "\n";
    json += "}\n";
    // Written to a side name and renamed, so that a reader never sees half.
    std::string partial = reportPath + ".part";
    if (FILE* out = std::fopen(partial.c_str(), "wb")) {
      std::fwrite(json.data(), 1, json.size(), out);
      std::fclose(out);
      MoveFileExA(partial.c_str(), reportPath.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }
  return 0;
}
