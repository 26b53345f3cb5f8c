// kittool szdd: the project's SZDD codec on whole files.
#include "kittool/commands.h"
#include "kittool/files.h"
#include "kittool/tool_error.h"
#include "szdd/szdd.h"

namespace kittool {
namespace {

// The header records the name's last character, which a compressed file's
// name ("setup.ex_") loses.
uint8_t LastCharOf(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  return name.empty() ? 0 : static_cast<uint8_t>(name.back());
}

}  // namespace

void RunSzdd(const SzddOptions& options, std::ostream& out, std::ostream&) {
  Bytes input = ReadWholeFile(options.input);
  if (input.size() > 0xFFFFFFFFu)
    throw ToolError(options.input + ": larger than 4 GiB, beyond the format's 32-bit lengths");
  const uint32_t length = static_cast<uint32_t>(input.size());
  kit::ByteBuffer output;
  if (options.compress) {
    if (!kit::CompressSzdd(input.data(), length, output, LastCharOf(options.input)))
      throw ToolError(options.input + ": cannot be compressed: out of memory or too large");
  } else {
    kit::SzddStatus status = kit::ExpandSzdd(input.data(), length, output);
    if (status != kit::SzddStatus::kOk)
      throw ToolError(options.input + ": " + kit::DescribeSzddStatus(status));
  }
  WriteFileAtomically(options.output, output.Data(), output.Length());
  out << "wrote " << options.output << ": " << output.Length() << " bytes from " << input.size()
      << "\n";
}

}  // namespace kittool
