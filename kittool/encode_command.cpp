// kittool encode: JSON to a stored configuration file.
#include "kittool/commands.h"
#include "kittool/config_json.h"
#include "kittool/stored_config.h"

namespace kittool {

void RunEncode(const EncodeOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<std::string> notes;
  ConfigDocument document = ReadDocumentFile(options.input, notes);
  for (const std::string& note : notes) err << "kittool: encode: note: " << note << "\n";
  Bytes plain = PlainStreamOf(document);
  Bytes stored = StoredStreamOf(document);
  WriteFileAtomically(options.output, stored);
  out << "wrote " << options.output << ": " << stored.size() << " bytes (" << plain.size()
      << " of configuration, "
      << (document.trailer
              ? "a trailer of " + std::to_string(stored.size() - plain.size()) + " bytes)"
              : std::string("no trailer)"))
      << "\n";
}

}  // namespace kittool
