#include "kittool/files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kittool/tool_error.h"

namespace kittool {
namespace {

std::string Problem(const fs::path& path, const std::string& what) {
  return path.string() + ": " + what + ": " + std::strerror(errno);
}

}  // namespace

Bytes ReadWholeFile(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw ToolError(path.string() + ": is a folder, not a file");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw ToolError(Problem(path, "cannot be read"));
  Bytes bytes;
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ToolError(Problem(path, "read error"));
  return bytes;
}

std::string ReadWholeText(const fs::path& path) {
  Bytes bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteFileAtomically(const fs::path& path, const void* bytes, size_t count) {
  fs::path temporary = path;
  temporary += ".kittool-" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) throw ToolError(Problem(path, "cannot be written"));
  bool ok = count == 0 || std::fwrite(bytes, 1, count, file) == count;
  ok = std::fclose(file) == 0 && ok;
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return;
  std::string problem = Problem(path, "cannot be written");
  std::remove(temporary.c_str());
  throw ToolError(problem);
}

}  // namespace kittool
