// What the launcher would do with a kit, found out by running the real
// launch sequence against an in-memory Windows that holds the kit's files:
// the launcher at C:\KIT\<name>, the temporary folder C:\WINDOWS\TEMP\, a
// customer who accepts the agreement.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kittool/files.h"
#include "platform/fake/fake_platform.h"

namespace kittool {

constexpr char kPreviewKitFolder[] = "C:\\KIT\\";

struct KitFile {
  std::string name;  // relative to the kit folder, with '\' between folders
  Bytes bytes;
};

// The kit's files in an in-memory Windows, with the launcher's module path
// set to C:\KIT\`launcherName` (whether or not that file is among them).
std::unique_ptr<kit::FakePlatform> MakeKitWorld(const std::vector<KitFile>& files,
                                                const std::string& launcherName);

// The configuration file the launcher tries first for these options (the
// file= option, or its own name with ".oid"); empty when it can form none.
std::string ConfigurationFileTried(kit::FakePlatform& world, const std::string& options);

struct LaunchPreview {
  bool signupStarted = false;
  std::string commandLine;  // as the sign-up program receives it
  int agreementsShown = 0;
  std::vector<std::string> staged;         // names in the temporary folder afterwards
  std::vector<std::string> copiedOutside;  // files the run made elsewhere
  bool shortcutStarted = false;
};

// Runs one launch with `options` as the launcher's command line.
LaunchPreview PreviewLaunch(kit::FakePlatform& world, const std::string& options);

}  // namespace kittool
