// szddtool: compresses a file to SZDD or expands one, on the build host.
//
//   szddtool compress IN OUT
//   szddtool expand IN OUT
//
// Exit status: 0 done, 1 the input could not be read or is not valid, or the
// output could not be written, 2 wrong usage. OUT is written under a
// temporary name and renamed only when complete, so a failure never leaves
// a partial OUT behind.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/buffer.h"
#include "szdd/szdd.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage() {
  std::fprintf(stderr,
               "usage: szddtool compress IN OUT\n"
               "       szddtool expand IN OUT\n");
  return kUsage;
}

int Fail(const std::string& path, const std::string& problem) {
  std::fprintf(stderr, "szddtool: %s: %s\n", path.c_str(), problem.c_str());
  return kFailed;
}

bool ReadWhole(const std::string& path, std::vector<kit::u8>* bytes, std::string* problem) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *problem = std::strerror(errno);
    return false;
  }
  kit::u8 chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes->insert(bytes->end(), chunk, chunk + got);
    if (bytes->size() > 0xFFFFFFFFu) {
      std::fclose(file);
      *problem = "larger than 4 GiB, beyond the format's 32-bit lengths";
      return false;
    }
  }
  bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) *problem = "read error";
  return !failed;
}

// Writes to a sibling temporary file, then renames it over `path`.
bool WriteWhole(const std::string& path, const kit::u8* bytes, size_t count,
                std::string* problem) {
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *problem = std::strerror(errno);
    return false;
  }
  bool ok = (count == 0 || std::fwrite(bytes, 1, count, file) == count);
  ok = (std::fclose(file) == 0) && ok;
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    *problem = std::strerror(errno);
    std::remove(temporary.c_str());
  }
  return ok;
}

// The header records the name's last character, which a compressed file's
// name ("setup.ex_") loses.
kit::u8 LastCharOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.empty() ? 0 : static_cast<kit::u8>(name.back());
}

int Compress(const std::string& in, const std::string& out) {
  std::vector<kit::u8> input;
  std::string problem;
  if (!ReadWhole(in, &input, &problem)) return Fail(in, problem);
  kit::ByteBuffer output;
  if (!kit::CompressSzdd(input.data(), static_cast<kit::u32>(input.size()), output,
                         LastCharOf(in)))
    return Fail(in, "cannot be compressed: out of memory or too large");
  if (!WriteWhole(out, output.Data(), output.Length(), &problem)) return Fail(out, problem);
  return kDone;
}

int Expand(const std::string& in, const std::string& out) {
  std::vector<kit::u8> input;
  std::string problem;
  if (!ReadWhole(in, &input, &problem)) return Fail(in, problem);
  kit::ByteBuffer output;
  kit::SzddStatus status =
      kit::ExpandSzdd(input.data(), static_cast<kit::u32>(input.size()), output);
  if (status != kit::SzddStatus::kOk) return Fail(in, kit::DescribeSzddStatus(status));
  if (!WriteWhole(out, output.Data(), output.Length(), &problem)) return Fail(out, problem);
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  std::string command = argv[1];
  if (command == "compress") return Compress(argv[2], argv[3]);
  if (command == "expand") return Expand(argv[2], argv[3]);
  return Usage();
}
