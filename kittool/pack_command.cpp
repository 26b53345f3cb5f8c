// kittool pack: a launcher with a configuration appended.
#include "kittool/commands.h"
#include "kittool/config_json.h"
#include "kittool/pack.h"
#include "kittool/stored_config.h"

namespace kittool {

void RunPack(const PackOptions& options, std::ostream& out, std::ostream& err) {
  Bytes launcher = ReadWholeFile(options.launcher);
  std::vector<std::string> notes;
  ConfigDocument document = ReadDocumentFile(options.config, notes);
  for (const std::string& note : notes) err << "kittool: pack: note: " << note << "\n";
  Bytes stored = StoredStreamOf(document);
  Bytes packed = PackKit(launcher, stored, options.launcher);
  WriteFileAtomically(options.output, packed);
  // The kit runs as the launcher did: keep its permission bits.
  std::error_code ignored;
  fs::file_status launcherStatus = fs::status(options.launcher, ignored);
  if (!ignored) fs::permissions(options.output, launcherStatus.permissions(), ignored);
  out << "wrote " << options.output << ": " << packed.size() << " bytes: the launcher ("
      << launcher.size() << " bytes, image ends at byte " << ImageEnd(launcher)
      << "), the marker at byte " << launcher.size() << ", the configuration (" << stored.size()
      << " bytes)\n";
}

}  // namespace kittool
