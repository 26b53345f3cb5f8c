#include "kittool/launch_preview.h"

#include <algorithm>
#include <set>

#include "agreement/agreement_session.h"
#include "config/config_paths.h"
#include "launcher/launch_options.h"
#include "launcher/launch_sequence.h"
#include "launcher/run_state.h"

namespace kittool {
namespace {

// The launcher consumes its command line in place.
std::vector<char> Writable(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  return buffer;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return Lower(path).rfind(Lower(folder), 0) == 0;
}

}  // namespace

std::unique_ptr<kit::FakePlatform> MakeKitWorld(const std::vector<KitFile>& files,
                                                const std::string& launcherName) {
  auto world = std::make_unique<kit::FakePlatform>();
  world->modulePath = std::string(kPreviewKitFolder) + launcherName;
  for (const KitFile& file : files) world->AddFile(kPreviewKitFolder + file.name, file.bytes);
  return world;
}

std::string ConfigurationFileTried(kit::FakePlatform& world, const std::string& options) {
  kit::RunState run(world);
  kit::LaunchOptions parsed;
  run.options = &parsed;
  std::vector<char> commandLine = Writable(options);
  kit::ParseLaunchOptions(run, commandLine.data());
  kit::BoundedText<255> path;
  if (!kit::FormLoadingPath(world, parsed, path.Ref())) return "";
  return path.Get();
}

LaunchPreview PreviewLaunch(kit::FakePlatform& world, const std::string& options) {
  LaunchPreview preview;
  world.customer = [&preview](kit::AgreementSession&) { ++preview.agreementsShown; };
  std::vector<std::string> before = world.ListFiles();
  std::set<std::string> existed;
  for (const std::string& path : before) existed.insert(Lower(path));

  std::vector<char> commandLine = Writable(options);
  kit::RunLaunch(world, commandLine.data());

  for (const kit::FakePlatform::Process& process : world.processes) {
    if (process.hidden) {
      preview.shortcutStarted = true;
    } else if (!preview.signupStarted) {
      preview.signupStarted = true;
      preview.commandLine = process.commandLine;
    }
  }
  preview.staged = world.ListFolder(world.tempFolder);
  for (const std::string& path : world.ListFiles())
    if (!existed.count(Lower(path)) && !StartsWithFolder(path, world.tempFolder))
      preview.copiedOutside.push_back(path);
  return preview;
}

}  // namespace kittool
