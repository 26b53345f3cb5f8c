// The agreement dialog of the real launcher under Wine, worked by
// customer.exe; the hang-up on a refusal against our own Rasapi32.dll; the
// compiled dialog template and icon; and a screenshot of the dialog.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/wine_harness.h"
#include "tests/support/kit_builder.h"

namespace kit::wine {
namespace {

using nlohmann::json;
using Steps = std::vector<std::string>;

std::string AsText(const testkit::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// "Line 1" ... "Line n", one short line each, so that none wraps.
std::string NumberedLines(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += (i > 1 ? "\r\n" : "") + ("Line " + std::to_string(i));
  return text;
}

struct Session {
  RunResult launcher;
  RunResult customer;
  std::vector<json> lines;  // what the customer printed, one JSON value a line

  // The customer's reports, in order.
  std::vector<json> Reports() const {
    std::vector<json> reports;
    for (const json& line : lines)
      if (line.contains("caption")) reports.push_back(line);
    return reports;
  }
};

class AgreementUnderWine : public KitUnderWine {
 protected:
  void SetUp() override {
    KitUnderWine::SetUp();
    for (const char* program : {"launcher.exe", "customer.exe", "Rasapi32.dll"})
      ASSERT_TRUE(fs::exists(Prefix::Win64Bin() / program)) << program << " not built";
    config = testkit::SampleConfiguration();
    config.hangUpOnRefusal = false;
  }

  // The kit as a launcher with a configuration beside it.
  void WriteKitWithOid() {
    fs::copy_file(Prefix::Win64Bin() / "launcher.exe", kit / "setup.exe",
                  fs::copy_options::overwrite_existing);
    WriteFileBytes(kit / "setup.oid", AsText(testkit::OidFile(config)));
  }

  // The kit as one executable with its configuration appended.
  void WriteKitWithPackage() {
    testkit::Bytes launcher =
        testkit::ReadFileBytes((Prefix::Win64Bin() / "launcher.exe").string());
    WriteFileBytes(kit / "setup.exe", AsText(testkit::WithPackage(launcher, config)));
  }

  // Runs the kit and the customer side by side.
  Session Run(const Steps& steps) {
    Session session;
    auto launcher =
        std::async(std::launch::async, [&] { return prefix.Run(kit / "setup.exe", {}, env, 90); });
    session.customer = prefix.Run(Prefix::Win64Bin() / "customer.exe", steps, {}, 60);
    session.launcher = launcher.get();
    std::istringstream out(session.customer.output);
    for (std::string line; std::getline(out, line);) {
      if (!line.empty() && line[0] == '{')
        session.lines.push_back(json::parse(line, nullptr, false));
    }
    return session;
  }

  bool SignupRan() { return fs::exists(reports / "temp.json"); }

  // Whole lines that the agreement box shows on this system (they depend on
  // the font that stands in for "MS Sans Serif"): a text scrolled to its
  // end shows them from line count - visible on.
  int MeasureVisibleLines() {
    config::KitConfiguration saved = config;
    config.agreementText = NumberedLines(100);
    config.scrollToAccept = false;
    WriteKitWithOid();
    Session s = Run({"scroll-to-end", "report", "cancel", "gone"});
    config = saved;
    if (s.Reports().size() != 1) return -1;
    return 100 - s.Reports()[0]["firstVisibleLine"].get<int>();
  }

  config::KitConfiguration config;
};

// --- accepting and refusing
// ----------------------------------------------------

TEST_F(AgreementUnderWine, ContinueUntouchedIsARefusal) {
  WriteKitWithOid();
  Session s = Run({"report", "continue", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  EXPECT_EQ(s.launcher.exitCode, 0) << s.launcher.output;
  ASSERT_EQ(s.Reports().size(), 1u) << s.customer.output;
  json r = s.Reports()[0];
  EXPECT_EQ(r["caption"], "Acme Online - Terms of Service");
  EXPECT_EQ(r["dontAccept"]["checked"], true);
  EXPECT_EQ(r["accept"]["checked"], false);
  EXPECT_EQ(r["systemMenu"], false);
  // Centred on the screen, halves truncated.
  EXPECT_EQ(r["dialog"]["x"],
            r["screen"]["width"].get<int>() / 2 - r["dialog"]["width"].get<int>() / 2);
  EXPECT_EQ(r["dialog"]["y"],
            r["screen"]["height"].get<int>() / 2 - r["dialog"]["height"].get<int>() / 2);
  // The 16 x 8 picture in a frame 3 pixels larger each way.
  EXPECT_EQ(r["frame"]["width"], 19);
  EXPECT_EQ(r["frame"]["height"], 11);
  EXPECT_FALSE(SignupRan());
}

TEST_F(AgreementUnderWine, AcceptThenContinueIsAnAcceptance) {
  config.agreementText = "Short terms.\r\nThey fit in the box.";
  config.agreementCaption = "";
  WriteKitWithOid();
  Session s = Run({"report", "accept", "report", "continue", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  EXPECT_EQ(s.launcher.exitCode, 0);
  ASSERT_EQ(s.Reports().size(), 2u) << s.customer.output;
  json before = s.Reports()[0], after = s.Reports()[1];
  EXPECT_EQ(before["caption"], "") << "an empty caption leaves the title bar empty";
  EXPECT_EQ(before["accept"]["enabled"], true) << "a text that fits needs no scrolling";
  EXPECT_EQ(after["accept"]["checked"], true);
  EXPECT_EQ(after["dontAccept"]["checked"], false);
  EXPECT_TRUE(SignupRan());
}

TEST_F(AgreementUnderWine, CancelAndEscapeRefuseWhicheverChoiceIsChecked) {
  config.scrollToAccept = false;
  WriteKitWithOid();
  for (const Steps& steps :
       {Steps{"cancel"}, Steps{"accept", "cancel"}, Steps{"escape"}, Steps{"accept", "escape"},
        Steps{"accept", "dont-accept", "continue"}}) {
    std::string name;
    for (const std::string& step : steps) name += step + " ";
    SCOPED_TRACE(name);
    fs::remove(reports / "temp.json");
    Steps all = steps;
    all.push_back("gone");
    Session s = Run(all);
    EXPECT_EQ(s.customer.exitCode, 0) << s.customer.output;
    EXPECT_EQ(s.launcher.exitCode, 0);
    EXPECT_FALSE(SignupRan());
  }
}

// --- scrolling through a long agreement
// ----------------------------------------------

TEST_F(AgreementUnderWine, LongTextKeepsAcceptDisabledUntilItsEndHasBeenInView) {
  WriteKitWithOid();  // 42 lines, scroll to accept
  Session s = Run({"report", "accept", "page-down", "report", "scroll-to-end", "report", "accept",
                   "report", "continue", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  std::vector<json> r = s.Reports();
  ASSERT_EQ(r.size(), 4u) << s.customer.output;
  // Opened at its first line, whatever took the focus.
  EXPECT_EQ(r[0]["firstVisibleLine"], 0);
  EXPECT_EQ(r[0]["accept"]["enabled"], false);
  EXPECT_EQ(r[0]["accept"]["checked"], false) << "a disabled choice takes no click";
  EXPECT_GT(r[1]["firstVisibleLine"], 0);
  EXPECT_EQ(r[1]["accept"]["enabled"], false);
  EXPECT_EQ(r[2]["accept"]["enabled"], true);
  EXPECT_EQ(r[3]["accept"]["checked"], true);
  EXPECT_TRUE(SignupRan());
}

TEST_F(AgreementUnderWine, TabbingBackIntoTheTextKeepsItWhereItWas) {
  // The dialog manager selects the whole text of an edit that it gives the
  // focus to, and some systems scroll a selection's end into view.
  WriteKitWithOid();
  // Round the tab order: "&Continue", the checked choice, "Ca&ncel", the text.
  Session s = Run({"report", "line-down", "tab", "report", "tab", "tab", "tab", "report",
                   "cancel", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  std::vector<json> r = s.Reports();
  ASSERT_EQ(r.size(), 3u) << s.customer.output;
  EXPECT_EQ(r[0]["focus"], 1010);
  EXPECT_NE(r[1]["focus"], 1010);
  EXPECT_EQ(r[2]["focus"], 1010);
  EXPECT_EQ(r[2]["firstVisibleLine"], 1);
  EXPECT_EQ(r[2]["accept"]["enabled"], false) << "the end has not been in view";
}

TEST_F(AgreementUnderWine, EveryWayOfScrollingToTheEndEnablesAccept) {
  WriteKitWithOid();
  // 42 lines that wrap into about 80.
  Steps wheel(60, "wheel-down"), keys(20, "key-pgdn"), scrolls(20, "em-scroll"),
      lines(120, "line-down"), arrows(120, "key-down");
  for (const Steps& way : {wheel, keys, scrolls, lines, arrows, Steps{"thumb:1000"}}) {
    SCOPED_TRACE(way[0]);
    Steps all = {"report"};
    all.insert(all.end(), way.begin(), way.end());
    all.insert(all.end(), {"report", "cancel", "gone"});
    Session s = Run(all);
    ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
    std::vector<json> r = s.Reports();
    ASSERT_EQ(r.size(), 2u) << s.customer.output;
    EXPECT_EQ(r[0]["accept"]["enabled"], false);
    EXPECT_EQ(r[1]["accept"]["enabled"], true) << r[1].dump();
    EXPECT_GT(r[1]["firstVisibleLine"], 0);
  }
}

TEST_F(AgreementUnderWine, TextsJustLongerThanTheBoxCanBeAccepted) {
  // Two lines more than the box shows: the end is in view from first line
  // 2 on. (With 14 lines in view, a text of 16 could never be accepted
  // when the test was "first visible line == line count - 17".)
  int visible = MeasureVisibleLines();
  ASSERT_GT(visible, 1);
  config.agreementText = NumberedLines(visible + 2);
  WriteKitWithOid();
  Session s =
      Run({"report", "line-down", "report", "line-down", "report", "accept", "continue", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  std::vector<json> r = s.Reports();
  ASSERT_EQ(r.size(), 3u) << s.customer.output;
  EXPECT_EQ(r[0]["lineCount"], visible + 2);
  EXPECT_EQ(r[0]["accept"]["enabled"], false);
  EXPECT_EQ(r[1]["firstVisibleLine"], 1);
  EXPECT_EQ(r[1]["accept"]["enabled"], false);
  EXPECT_EQ(r[2]["firstVisibleLine"], 2);
  EXPECT_EQ(r[2]["accept"]["enabled"], true);
  EXPECT_TRUE(SignupRan());
}

TEST_F(AgreementUnderWine, TextThatFitsExactlyStartsEnabledOneMoreLineDoesNot) {
  int visible = MeasureVisibleLines();
  ASSERT_GT(visible, 1);
  for (int lines : {visible, visible + 1}) {
    SCOPED_TRACE(lines);
    config.agreementText = NumberedLines(lines);
    WriteKitWithOid();
    Session s = Run({"report", "cancel", "gone"});
    ASSERT_EQ(s.Reports().size(), 1u) << s.customer.output;
    EXPECT_EQ(s.Reports()[0]["lineCount"], lines);
    EXPECT_EQ(s.Reports()[0]["accept"]["enabled"], lines == visible);
  }
}

// --- hang-up on a refusal
// ------------------------------------------------------------

class HangUpUnderWine : public AgreementUnderWine {
 protected:
  void SetUp() override {
    AgreementUnderWine::SetUp();
    if (HasFatalFailure()) return;
    // Our library in place of the system's, for the programs that ask for it.
    installed = prefix.SystemFolder() / "rasapi32.dll";
    saved = kit / "rasapi32.dll.system";
    if (fs::exists(installed)) fs::copy_file(installed, saved);
    fs::copy_file(Prefix::Win64Bin() / "Rasapi32.dll", installed,
                  fs::copy_options::overwrite_existing);
    log = kit / "ras.log";
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;rasapi32=n";
    env["KIT_RAS_LOG"] = prefix.ToWindows(log);
    env["KIT_RAS_CONNECTIONS"] = "1";
    config.hangUpOnRefusal = true;
  }
  void TearDown() override {
    if (fs::exists(saved)) fs::copy_file(saved, installed, fs::copy_options::overwrite_existing);
  }

  std::string Log() { return ReadFileText(log); }

  fs::path installed, saved, log;
};

TEST_F(HangUpUnderWine, RefusedPackageHangsUpTheOpenConnectionAndWaits) {
  WriteKitWithPackage();
  Session s = Run({"cancel", "gone"});
  ASSERT_EQ(s.customer.exitCode, 0) << s.customer.output;
  EXPECT_EQ(s.launcher.exitCode, 0);
  EXPECT_EQ(Log(), "enum dwSize=424 size=424 open=1 result=0\nhangup 0x1001\n");
  EXPECT_GE(s.launcher.seconds, 3.0) << "three seconds for the line to drop";
  EXPECT_FALSE(SignupRan());
}

TEST_F(HangUpUnderWine, WhatTheServiceReportsDecidesTheHangUp) {
  WriteKitWithPackage();
  struct {
    const char* connections;
    const char* log;
  } cases[] = {
      {"0", "enum dwSize=424 size=424 open=0 result=0\n"},
      // Two connections do not fit in the one entry.
      {"2", "enum dwSize=424 size=848 open=2 result=603\n"},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.connections);
    fs::remove(log);
    env["KIT_RAS_CONNECTIONS"] = c.connections;
    Session s = Run({"cancel", "gone"});
    EXPECT_EQ(s.launcher.exitCode, 0);
    EXPECT_EQ(Log(), c.log);
    EXPECT_LT(s.launcher.seconds, 3.0) << "no wait without a hang-up";
  }
}

TEST_F(HangUpUnderWine, NoHangUpForAnOidFileAFlagClearOrAnAcceptance) {
  WriteKitWithOid();
  Session beside = Run({"cancel", "gone"});
  EXPECT_EQ(beside.launcher.exitCode, 0);
  EXPECT_EQ(Log(), "") << "a configuration beside the launcher never hangs up";

  fs::remove(kit / "setup.oid");
  config.hangUpOnRefusal = false;
  WriteKitWithPackage();
  Session flagClear = Run({"cancel", "gone"});
  EXPECT_EQ(flagClear.launcher.exitCode, 0);
  EXPECT_EQ(Log(), "");

  config.hangUpOnRefusal = true;
  config.scrollToAccept = false;
  WriteKitWithPackage();
  Session accepted = Run({"accept", "continue", "gone"});
  EXPECT_EQ(accepted.launcher.exitCode, 0);
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(SignupRan());
}

// --- the compiled template and icon
// ----------------------------------------------------

TEST(AgreementTemplateUnderWine, SplashTemplateIsCompiledAsDesigned) {
  Prefix& prefix = Prefix::Shared();
  ASSERT_TRUE(prefix.ok());
  RunResult dump = prefix.Run(Prefix::Win64Bin() / "template_dump.exe",
                              {prefix.ToWindows(Prefix::Win64Bin() / "launcher.exe")});
  ASSERT_EQ(dump.exitCode, 0) << dump.output;
  json all = json::parse(dump.output);
  json t = all["template"];
  constexpr uint32_t kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
  EXPECT_EQ(t["version"], 1);
  EXPECT_EQ(t["signature"], 0xFFFF) << "an extended template";
  // WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT |
  // DS_CENTER.
  EXPECT_EQ(t["style"], 0x90C008C0u);
  EXPECT_EQ(t["exStyle"], 0);
  EXPECT_EQ(t["helpId"], 0);
  EXPECT_EQ(json::array({t["x"], t["y"], t["cx"], t["cy"]}), json::array({0, 0, 308, 205}));
  EXPECT_EQ(t["menu"], nullptr);
  EXPECT_EQ(t["class"], nullptr);
  EXPECT_EQ(t["title"], "");
  EXPECT_EQ(t["font"], json({{"points", 8},
                             {"weight", 0},
                             {"italic", 0},
                             {"charset", 1},
                             {"face", "MS Sans Serif"}}));

  struct Control {
    long id;
    int cls;  // 0x80 button, 0x81 edit, 0x82 static
    json text;
    int x, y, cx, cy;
    uint32_t style, exStyle;
  } expected[] = {
      {1013, 0x80, "I &Accept", 129, 158, 43, 10, 0x9 | 0x8000 | 0x20000 | 0x10000, 0x20},
      {3, 0x80, "&Continue", 254, 185, 50, 14, 0x1 | 0x10000, 0},
      {1014, 0x80, "I &Don't Accept", 203, 158, 61, 10, 0x9 | 0x8000, 0x20},
      {2, 0x80, "Ca&ncel", 193, 185, 50, 14, 0x0 | 0x10000, 0},
      {1010, 0x81, nullptr, 108, 10, 194, 137, 0x4 | 0x800 | 0x200000 | 0x10000, 0x20000 | 0x20},
      {1018, 0x82, nullptr, 7, 10, 85, 158, 0x8 | 0x1000, 0},
      {-1, 0x82, nullptr, 0, 176, 308, 1, 0x10, 0},
  };
  ASSERT_EQ(t["controls"].size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const Control& e = expected[i];
    const json& c = t["controls"][i];
    SCOPED_TRACE(e.id);
    EXPECT_EQ(c["id"], e.id);
    EXPECT_EQ(c["class"], e.cls);
    EXPECT_EQ(c["text"], e.text);  // null: the empty text
    EXPECT_EQ(json::array({c["x"], c["y"], c["cx"], c["cy"]}), json::array({e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(c["style"], kChildVisible | e.style);
    EXPECT_EQ(c["exStyle"], e.exStyle);
    EXPECT_EQ(c["helpId"], 0);
    EXPECT_EQ(c["extra"], 0);
  }

  // The application icon: 32 and 16 pixels in 16 colours.
  json icons = all["icons"];
  ASSERT_EQ(icons.size(), 2u) << dump.output;
  for (const json& icon : icons) {
    EXPECT_EQ(icon["colors"], 16);
    EXPECT_EQ(icon["bitCount"], 4);
    EXPECT_EQ(icon["width"], icon["height"]);
  }
  EXPECT_EQ(icons[0]["width"], 32);
  EXPECT_EQ(icons[1]["width"], 16);
}

// --- a screenshot under Xvfb
// -------------------------------------------------------

// A 24-bit picture for the frame: an evening sky over a globe.
testkit::Bytes ScenicPicture(int width, int height) {
  int rowBytes = (width * 3 + 3) / 4 * 4;
  testkit::Bytes bmp(54 + rowBytes * height, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = (v >> (8 * i)) & 0xFF;
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  bmp[26] = 1;
  bmp[28] = 24;
  double cx = width / 2.0, cy = height * 0.62, r = width * 0.36;
  for (int y = 0; y < height; ++y) {
    int top = height - 1 - y;  // rows are stored bottom-up
    for (int x = 0; x < width; ++x) {
      double t = static_cast<double>(top) / height;
      int red = static_cast<int>(20 + 60 * t), green = static_cast<int>(40 + 90 * t),
          blue = static_cast<int>(110 + 100 * t);
      double u = (x + 0.5 - cx) / r, v = (top + 0.5 - cy) / r, d = std::hypot(u, v);
      if (d < 1.0) {
        double light = 0.55 + 0.45 * std::max(0.0, -(u + v) / 1.5 + std::sqrt(1 - d * d) * 0.6);
        bool grid = std::fabs(v) < 0.03 || std::fabs(u) < 0.03 ||
                    std::fabs(std::fabs(u) - 0.55 * std::sqrt(std::max(0.0, 1 - v * v))) < 0.03 ||
                    std::fabs(std::fabs(v) - 0.5) < 0.03;
        red = static_cast<int>((grid ? 120 : 30) * light);
        green = static_cast<int>((grid ? 220 : 110) * light);
        blue = static_cast<int>((grid ? 255 : 220) * light);
      }
      uint8_t* px = &bmp[54 + y * rowBytes + x * 3];
      px[0] = static_cast<uint8_t>(std::min(blue, 255));
      px[1] = static_cast<uint8_t>(std::min(green, 255));
      px[2] = static_cast<uint8_t>(std::min(red, 255));
    }
  }
  return bmp;
}

std::string LongAgreement() {
  std::string text =
      "ACME ONLINE SUBSCRIBER AGREEMENT\r\n\r\nPlease read this agreement to "
      "its end. "
      "You can accept it once you have scrolled through it.\r\n\r\n";
  const char* headings[] = {"Service", "Charges",        "Your account", "Fair use",
                            "Privacy", "Ending service", "Liability",    "General"};
  int n = 0;
  for (const char* heading : headings) {
    text += std::to_string(++n) + ". " + heading + "\r\n";
    text +=
        "Acme Online provides dial-up access to the Internet on the terms "
        "set out in this "
        "section. The subscriber agrees to them by accepting this "
        "agreement.\r\n\r\n";
  }
  return text + "End of agreement.";
}

// Runs `command` with `sh -c`; its exit code.
int Shell(const std::string& command) { return std::system(command.c_str()); }

TEST(AgreementScreenshot, DialogWithPictureAndLongAgreement) {
  if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/import"))
    GTEST_SKIP() << "Xvfb or ImageMagick's import is missing";
  Prefix& shared = Prefix::Shared();
  ASSERT_TRUE(shared.ok());

  // A prefix of its own with the X11 driver, so that the shared one keeps
  // the null driver that the other tests use.
  fs::path root = shared.root().parent_path() / "xvfb-prefix";
  std::string wineEnv = "WINEPREFIX='" + root.string() + "' WINEDEBUG=-all ";
  if (!fs::exists(root / "system.reg")) {
    fs::remove_all(root);
    ASSERT_EQ(Shell("cp -a '" + shared.root().string() + "' '" + root.string() + "'"), 0);
    ASSERT_EQ(Shell(wineEnv + "/usr/lib/wine/wine64 reg add 'HKCU\\Software\\Wine\\Drivers' "
                              "/v Graphics /t REG_SZ /d x11 /f >/dev/null 2>&1"),
              0);
    // Without a window manager, Wine draws the frames itself.
    ASSERT_EQ(Shell(wineEnv + "/usr/lib/wine/wine64 reg add "
                              "'HKCU\\Software\\Wine\\X11 Driver' /v Managed /t REG_SZ "
                              "/d N /f >/dev/null 2>&1"),
              0);
    Shell(wineEnv + "/usr/lib/wine/wineserver -k >/dev/null 2>&1");
  }

  int display = 90;
  while (display < 100 && fs::exists("/tmp/.X" + std::to_string(display) + "-lock")) ++display;
  ASSERT_LT(display, 100) << "no free X display";
  std::string name = ":" + std::to_string(display);
  pid_t xvfb = fork();
  if (xvfb == 0) {
    setpgid(0, 0);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl("/usr/bin/Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(display)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  fs::path kit = shared.MakeKitFolder("AgreementScreenshot");
  config::KitConfiguration config = testkit::SampleConfiguration();
  config.agreementText = LongAgreement();
  config.agreementCaption = "Acme Online - Terms of Service";
  config.picture = ScenicPicture(124, 232);
  fs::copy_file(Prefix::Win64Bin() / "launcher.exe", kit / "setup.exe");
  WriteFileBytes(kit / "setup.oid", AsText(testkit::OidFile(config)));
  std::map<std::string, std::string> env = {{"WINEPREFIX", root.string()}, {"DISPLAY", name}};

  auto launcher =
      std::async(std::launch::async, [&] { return shared.Run(kit / "setup.exe", {}, env, 90); });
  RunResult shown = shared.Run(Prefix::Win64Bin() / "customer.exe", {"report"}, env, 60);
  fs::path shot = kit / "screen.png";
  fs::path target = fs::path(KIT_SOURCE_DIR) / "docs" / "agreement-dialog.png";
  json r = json::parse(shown.output.substr(0, shown.output.find('\n')), nullptr, false);
  bool haveReport = shown.exitCode == 0 && r.contains("dialog");
  if (haveReport) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let it paint
    Shell("DISPLAY=" + name + " import -window root '" + shot.string() + "'");
  }
  RunResult closed = shared.Run(Prefix::Win64Bin() / "customer.exe", {"cancel", "gone"}, env, 60);
  RunResult ended = launcher.get();
  Shell(wineEnv + "/usr/lib/wine/wineserver -k >/dev/null 2>&1");
  kill(-xvfb, SIGTERM);
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);

  ASSERT_TRUE(haveReport) << shown.output;
  EXPECT_EQ(r["accept"]["enabled"], false) << "a long agreement waits to be read";
  EXPECT_EQ(r["frame"]["width"], 127);
  EXPECT_EQ(r["frame"]["height"], 235);
  EXPECT_EQ(closed.exitCode, 0) << closed.output;
  EXPECT_EQ(ended.exitCode, 0);
  ASSERT_TRUE(fs::exists(shot));
  // The dialog alone, its frame included.
  std::string crop = std::to_string(r["dialog"]["width"].get<int>()) + "x" +
                     std::to_string(r["dialog"]["height"].get<int>()) + "+" +
                     std::to_string(r["dialog"]["x"].get<int>()) + "+" +
                     std::to_string(r["dialog"]["y"].get<int>());
  fs::create_directories(target.parent_path());
  ASSERT_EQ(Shell("convert '" + shot.string() + "' -crop " + crop + " +repage -strip '" +
                  target.string() + "'"),
            0);
  EXPECT_GT(fs::file_size(target), 1000u);
}

}  // namespace
}  // namespace kit::wine
