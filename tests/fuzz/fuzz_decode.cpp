// `kittool decode` on any file: a stored configuration or an executable
// with a package. It answers with exit code 0 or 1 and never crashes.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "kittool/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/kit-fuzz-decode-" + std::to_string(getpid()) + ".oid";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::ostringstream out, err;
  int code = kittool::RunKittool({"decode", path, "--embed-picture"}, out, err);
  if (code != kittool::kExitDone && code != kittool::kExitInvalidInput) __builtin_trap();
  return 0;
}
