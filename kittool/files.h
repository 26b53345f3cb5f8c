// Whole files of the provider's machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kittool {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The whole file; ToolError naming the path when it cannot be read.
Bytes ReadWholeFile(const fs::path& path);
std::string ReadWholeText(const fs::path& path);

// Writes under a temporary name beside `path` and renames it into place
// only when every byte is written, so a failure never leaves a partial or
// stale-looking output behind. ToolError when it cannot be done.
void WriteFileAtomically(const fs::path& path, const void* bytes, size_t count);
inline void WriteFileAtomically(const fs::path& path, const Bytes& bytes) {
  WriteFileAtomically(path, bytes.data(), bytes.size());
}
inline void WriteFileAtomically(const fs::path& path, const std::string& text) {
  WriteFileAtomically(path, text.data(), text.size());
}

}  // namespace kittool
