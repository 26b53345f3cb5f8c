// kittool check: what a provider should know about a kit before shipping
// it, found out with the launcher's own code wherever it has one.
#include <algorithm>
#include <cctype>

#include "config/writer/kit_configuration.h"
#include "kittool/agreement_estimate.h"
#include "kittool/commands.h"
#include "kittool/config_json.h"
#include "kittool/config_notes.h"
#include "kittool/latin1.h"
#include "kittool/launch_preview.h"
#include "kittool/picture_summary.h"
#include "kittool/stored_config.h"
#include "kittool/tool_error.h"

namespace kittool {
namespace {

using kit::config::DeliveredValue;

// A kit folder is mirrored whole; a folder much larger than any kit was
// most likely named by mistake.
constexpr uintmax_t kLargestKitFolder = 512u << 20;

// Pixels the picture may take before it runs into the agreement text (the
// edit starts 101 dialog units right of the frame) or the separator (166
// units below the frame's top), at the dialog font's usual 6 x 13 pixel
// base units.
constexpr int kRoomyPictureWidth = 101 * 6 / 4;
constexpr int kRoomyPictureHeight = 166 * 13 / 8;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsSideProgram(const std::string& name) {
  std::string lower = Lower(name);
  return lower == "icwscrpt.exe" || lower == "veltosignup.exe" || lower == "addshortcut.exe";
}

struct KitInput {
  fs::path folder;
  std::string launcherName;
  bool launcherPresent = false;
};

KitInput ResolveKit(const fs::path& path) {
  std::error_code ec;
  KitInput kit;
  if (fs::is_regular_file(path, ec)) {
    kit.folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    kit.launcherName = path.filename().string();
    kit.launcherPresent = true;
    // A configuration file named: the launcher is the program it belongs to.
    if (Lower(path.extension().string()) == ".oid") {
      kit.launcherName = path.stem().string() + ".exe";
      kit.launcherPresent = fs::is_regular_file(kit.folder / kit.launcherName, ec);
    }
    return kit;
  }
  if (!fs::is_directory(path, ec)) throw ToolError(path.string() + ": no such file or folder");
  kit.folder = path;
  std::vector<std::string> launchers, configurations;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    std::string name = entry.path().filename().string();
    std::string extension = Lower(entry.path().extension().string());
    if (extension == ".exe" && !IsSideProgram(name)) launchers.push_back(name);
    if (extension == ".oid") configurations.push_back(name);
  }
  std::sort(launchers.begin(), launchers.end());
  if (launchers.size() == 1) {
    kit.launcherName = launchers.front();
    kit.launcherPresent = true;
  } else if (launchers.size() > 1) {
    std::string names;
    for (const std::string& name : launchers) names += (names.empty() ? "" : ", ") + name;
    throw ToolError(path.string() + ": several programs could be the launcher (" + names +
                    "); name the launcher instead of the folder");
  } else if (configurations.size() == 1) {
    kit.launcherName = fs::path(configurations.front()).stem().string() + ".exe";
  } else {
    throw ToolError(path.string() + ": no launcher (.exe) and not exactly one .oid file");
  }
  return kit;
}

std::vector<KitFile> MirrorFolder(const fs::path& folder) {
  std::vector<KitFile> files;
  uintmax_t total = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    total += entry.file_size();
    if (total > kLargestKitFolder)
      throw ToolError(folder.string() + ": more than 512 MiB of files, too much for a kit folder");
    std::string name = entry.path().lexically_relative(folder).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    files.push_back(KitFile{name, ReadWholeFile(entry.path())});
  }
  return files;
}

// The report: "label: value" lines, then the problems and warnings.
class Report {
 public:
  explicit Report(std::ostream& out) : out_(out) {}

  void Line(const std::string& label, const std::string& value) {
    std::string head = label.empty() ? "" : label + ":";
    head.resize(std::max<size_t>(head.size() + 1, 20), ' ');
    out_ << head << value << "\n";
  }
  void More(const std::string& value) { Line("", value); }
  void Problem(const std::string& text) { problems_.push_back(text); }
  void Warning(const std::string& text) { warnings_.push_back(text); }

  int Finish() {
    for (const std::string& warning : warnings_) out_ << "warning: " << warning << "\n";
    for (const std::string& problem : problems_) out_ << "problem: " << problem << "\n";
    out_ << (problems_.empty() ? "ok: the kit can be shipped" : "the kit has problems") << "\n";
    return problems_.empty() ? kExitDone : kExitInvalidInput;
  }

 private:
  std::ostream& out_;
  std::vector<std::string> problems_, warnings_;
};

std::string Quoted(const kit::config::Text& text) {
  return "\"" + Latin1ToUtf8(DeliveredValue(text.value)) + "\"";
}

std::string KitName(const std::string& windowsPath) {
  return windowsPath.substr(std::string(kPreviewKitFolder).size());
}

struct Found {
  bool found = false;
  bool inPackage = false;
  Bytes stored;
};

// As the launcher looks: the file it tries first, else the package.
Found FindConfiguration(kit::FakePlatform& world, const KitInput& input, const std::string& options,
                        Report& report) {
  Found found;
  std::string tried = ConfigurationFileTried(world, options);
  PackageSearch package;
  if (input.launcherPresent) {
    Bytes launcher = world.Bytes(world.modulePath);
    if (LooksLikeExecutable(launcher)) package = FindPackage(launcher);
  }
  if (!tried.empty() && world.Exists(tried)) {
    found.found = true;
    found.stored = world.Bytes(tried);
    report.Line("configuration", KitName(tried) + " beside the launcher");
    if (package.found)
      report.Warning(input.launcherName + " also carries a package; " + KitName(tried) +
                     " wins and the package is not used");
    return found;
  }
  if (package.found) {
    found.found = found.inPackage = true;
    found.stored = package.stored;
    report.Line("configuration", "the package appended to " + input.launcherName +
                                     ", behind the marker at byte " +
                                     std::to_string(package.markerOffset));
    report.More("(the search starts at byte " + std::to_string(package.searchStart) +
                ", the end of the launcher's image)");
    return found;
  }
  std::string what = tried.empty() ? "no configuration file name can be formed"
                                   : "no " + KitName(tried) + " beside the launcher";
  report.Line("configuration", "none found");
  report.Problem(what +
                 (input.launcherPresent ? " and no package in " + input.launcherName
                                        : std::string(" and no launcher")) +
                 ": the launcher would end without doing anything");
  return found;
}

void ReportAgreement(const kit::config::KitConfiguration& c, bool inPackage, Report& report) {
  if (!c.hasAgreement) {
    report.Line("agreement", "none: no dialog is shown");
    return;
  }
  std::string text = DeliveredValue(c.agreementText.value);
  int lines = EstimateWrappedLines(text);
  bool scrolls = lines > kEstimatedVisibleLines;
  report.Line("agreement",
              Quoted(c.agreementCaption) + ", " + std::to_string(text.size()) + " characters");
  report.More("about " + std::to_string(lines) + (lines == 1 ? " line, " : " lines, ") +
              (scrolls ? "so it needs scrolling" : "so it fits without scrolling"));
  report.More(
      "(an estimate: the agreement box shows about 17 lines of about 45 characters "
      "on Windows)");
  if (c.scrollToAccept)
    report.More(scrolls
                    ? "\"I Accept\" stays disabled until the customer has scrolled to the end"
                    : "scroll to accept is set, but the text fits: \"I Accept\" starts enabled");
  else
    report.More("the customer may accept without scrolling");
  report.Line("hang up on refusal", !c.hangUpOnRefusal ? "no"
                                    : inPackage
                                        ? "yes: a refusal hangs up the open dial-up connection"
                                        : "set, but only an appended package hangs up; with this "
                                          ".oid file a refusal does not");
}

void ReportPicture(const DecodedStream& decoded, Report& report) {
  size_t at = decoded.fields.fieldOffset[57];
  PictureSummary picture = SummarizePicture(decoded.plain.data() + at, decoded.plain.size() - at);
  report.Line("picture", DescribePicture(picture));
  if (!picture.loaded) {
    report.Problem("the launcher refuses the picture: the dialog shows none");
    return;
  }
  if (!picture.drawable) report.Problem("Windows cannot draw the picture: the dialog shows none");
  if (picture.drawnWidth > kRoomyPictureWidth || picture.drawnHeight > kRoomyPictureHeight)
    report.Warning("the picture is " + std::to_string(picture.drawnWidth) + " x " +
                   std::to_string(picture.drawnHeight) +
                   " pixels; beyond about 151 x 269 it runs into the agreement text or the "
                   "buttons (the frame is 85 x 158 dialog units, about 127 x 256 pixels)");
}

// Returns the copy instruction's file, empty when there is none.
std::string ReportConfiguration(const Found& found, Report& report) {
  DecodedStream decoded = DecodeStoredStream(found.stored);
  const kit::config::DecodeResult& fields = decoded.fields;
  if (!fields.complete) {
    report.Line("stream", std::to_string(found.stored.size()) + " bytes; breaks at field " +
                              std::to_string(fields.brokenField) + " (" +
                              FieldName(fields.brokenField) + ") at byte " +
                              std::to_string(fields.brokenOffset));
    report.Problem("the configuration does not decode to its end: " + fields.error +
                   "; the launcher takes the missing fields as absent");
    return "";
  }
  report.Line("stream",
              std::to_string(found.stored.size()) + " bytes, decodes to its end (" +
                  std::to_string(fields.end) + " bytes of fields, " +
                  (decoded.trailerLength ? "a trailer of " + std::to_string(decoded.trailerLength)
                                         : std::string("no trailer")) +
                  ")");
  if (!decoded.document.extraBytes.empty())
    report.Warning(std::to_string(decoded.document.extraBytes.size()) +
                   " bytes after the last field are not a trailer; no reader uses them");
  const kit::config::KitConfiguration& c = decoded.document.config;
  report.Line("version", Quoted(c.version));
  report.Line("profile name", Quoted(c.profileName));
  ReportAgreement(c, found.inPackage, report);
  ReportPicture(decoded, report);
  if (c.HasCopyFile()) {
    std::string file = DeliveredValue(c.copyFile.value);
    report.Line("copy instruction", "copies " + Quoted(c.copyFile) +
                                        " from the kit folder to the root of the Windows drive");
    size_t slash = file.find_last_of('\\');
    if (slash != std::string::npos)
      report.Warning("the copy instruction copies into the folder " + file.substr(0, slash) +
                     " at the root of the Windows drive, which a copy does not make: it fails "
                     "unless that folder exists on the customer's machine");
  } else
    report.Line("copy instruction", "none");
  for (const std::string& note : ConfigurationNotes(c)) report.Warning(note);
  return c.HasCopyFile() ? DeliveredValue(c.copyFile.value) : "";
}

struct SideFile {
  std::string name;
  const char* role;
};

std::vector<SideFile> SideFiles(const std::string& copyFile) {
  std::vector<SideFile> side = {
      {"Icwscrpt.exe", "copied to the temporary folder"},
      {"veltosignup.exe", "copied to the temporary folder"},
      {"bookmark.htm", "copied to the temporary folder"},
      {"inbox", "copied to the temporary folder as Inbox"},
      {"AddShortcut.exe", "started hidden after the sign-up program"},
  };
  if (!copyFile.empty())
    side.push_back(
        {copyFile.substr(copyFile.find_last_of('\\') + 1), "the copy instruction's file"});
  return side;
}

void ReportSideFiles(kit::FakePlatform& world, const std::string& copyFile, Report& report) {
  bool first = true;
  for (const SideFile& side : SideFiles(copyFile)) {
    bool present = world.Exists(kPreviewKitFolder + side.name);
    std::string name = side.name;
    name.resize(std::max<size_t>(name.size() + 2, 17), ' ');
    std::string line = name + (present ? "present: " + std::string(side.role) : "absent");
    if (first)
      report.Line("side files", line);
    else
      report.More(line);
    first = false;
    if (!present && std::string(side.role) == "the copy instruction's file")
      report.Warning("the copy instruction's file " + side.name +
                     " is not in the kit folder: nothing is copied");
  }
}

void ReportLaunch(kit::FakePlatform& world, const std::string& options, Report& report) {
  LaunchPreview preview = PreviewLaunch(world, options);
  report.Line("launch", "as " + world.modulePath + " with the options \"" + options +
                            "\", temporary folder " + world.tempFolder);
  if (!preview.signupStarted) {
    report.More("the sign-up program is not started");
    return;
  }
  report.Line("sign-up command", preview.commandLine);
  std::string staged;
  for (const std::string& name : preview.staged) staged += (staged.empty() ? "" : ", ") + name;
  report.Line("staged", staged);
  for (const std::string& path : preview.copiedOutside) report.Line("copied to", path);
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream&) {
  KitInput input = ResolveKit(options.kit);
  std::unique_ptr<kit::FakePlatform> world =
      MakeKitWorld(MirrorFolder(input.folder), input.launcherName);
  Report report(out);
  report.Line("kit folder", input.folder.string() + " (as " + kPreviewKitFolder + ")");
  report.Line(
      "launcher",
      input.launcherName +
          (input.launcherPresent ? std::string() : " (not in the folder: named after the .oid)"));
  Found found = FindConfiguration(*world, input, options.options, report);
  std::string copyFile = found.found ? ReportConfiguration(found, report) : "";
  ReportSideFiles(*world, copyFile, report);
  ReportLaunch(*world, options.options, report);
  return report.Finish();
}

}  // namespace kittool
