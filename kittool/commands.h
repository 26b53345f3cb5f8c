// The kittool commands. Each takes its parsed options and writes its
// results to `out` and its notes to `err`; a ToolError means the input
// could not be used. RunKittool parses the command line and maps the
// outcome to the exit code: 0 done, 1 invalid input, 2 wrong usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kittool {

constexpr int kExitDone = 0;
constexpr int kExitInvalidInput = 1;
constexpr int kExitUsage = 2;

struct DecodeOptions {
  std::string input;    // a .oid file or an executable with a package
  std::string output;   // the JSON; empty: standard output
  std::string picture;  // where the BMP goes; empty: see RunDecode
  bool embedPicture = false;
};

struct EncodeOptions {
  std::string input;  // the JSON
  std::string output;
};

struct PackOptions {
  std::string launcher;
  std::string config;
  std::string output;
};

struct SzddOptions {
  bool compress = true;
  std::string input;
  std::string output;
};

struct CheckOptions {
  std::string kit;      // a kit folder or the launcher in one
  std::string options;  // the launcher's command line
};

void RunDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err);
void RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err);
void RunPack(const PackOptions& options, std::ostream& out, std::ostream& err);
void RunSzdd(const SzddOptions& options, std::ostream& out, std::ostream& err);
// Returns the exit code: 1 when the kit has a problem that stops it
// working as meant.
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// `args` without the program's name.
int RunKittool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kittool
