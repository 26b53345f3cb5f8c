// A whole launch against the in-memory Windows, with any file as the
// launcher's own executable: the marker search, the package, the passes,
// the picture and staging. Whatever the file holds, the launch ends with 0,
// and every file it makes outside the temporary folder is a copy of a kit
// file (the configuration's copy instruction).
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/launch_sequence.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kit::FakePlatform platform;
  platform.customer = [](kit::AgreementSession&) {};
  platform.AddFile(platform.modulePath, std::vector<uint8_t>(data, data + size));
  platform.resources["oid/install"] = {'M', 'Z'};
  std::vector<std::string> before = platform.ListFiles();

  std::string commandLine = "$name=jo";
  if (kit::RunLaunch(platform, commandLine.data()) != 0) __builtin_trap();

  std::vector<uint8_t> kitFile(data, data + size);
  for (const std::string& path : platform.ListFiles()) {
    bool known = false;
    for (const std::string& old : before) known |= old == path;
    if (known || path.rfind("C:\\WINDOWS\\TEMP\\", 0) == 0) continue;
    if (platform.Bytes(path) != kitFile) __builtin_trap();
  }
  return 0;
}
