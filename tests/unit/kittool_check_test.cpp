// kittool check: what it finds in a kit, and the command line it shows,
// worked out by the launcher's own launch sequence.
#include <functional>

#include "config/writer/config_writer.h"
#include "kittool/agreement_estimate.h"
#include "tests/unit/kittool_fixture.h"

namespace kittool::testing {
namespace {

namespace testkit = kit::testkit;
using kit::config::KitConfiguration;

const std::string kDemoKit = std::string(KIT_SOURCE_DIR) + "/examples/demo-kit";

class KittoolCheck : public KittoolTest {
 protected:
  // A kit folder with `config` appended to a launcher named `launcher`.
  void PackedKit(const KitConfiguration& config, const std::string& launcher = "setup.exe") {
    Write("kit/" + launcher, testkit::WithPackage(testkit::FakePeImage(0x1000), config));
  }

  ToolRun Check(const std::string& options = "") {
    return Kittool({"check", Path("kit"), "--options", options});
  }

  static bool Has(const ToolRun& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
  }
};

// The demo kit as a provider would ship it: the example's configuration
// packed into a launcher, with its bookmark file beside it.
TEST_F(KittoolCheck, TheDemoKitShowsTheCommandLineTheLauncherWouldGive) {
  fs::create_directories(dir / "kit");
  Write("launcher.exe", testkit::FakePeImage(0x1000));
  ToolRun pack = Kittool({"pack", "--launcher", Path("launcher.exe"), "--config",
                          kDemoKit + "/config.json", "-o", Path("kit/setup.exe")});
  ASSERT_EQ(pack.code, 0) << pack.err;
  EXPECT_EQ(pack.err, "") << "the demo configuration raises no notes";
  fs::copy_file(kDemoKit + "/bookmark.htm", dir / "kit" / "bookmark.htm");

  ToolRun run = Check("$name=jo$OEMail");
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_TRUE(Has(run,
                  "sign-up command:    C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\"
                  "$name=jo$OEMail$file=setup$prof=Harbourline Internet\n"))
      << run.out;
  EXPECT_TRUE(Has(run, "the package appended to setup.exe, behind the marker at byte 4096"));
  EXPECT_TRUE(Has(run, "so it needs scrolling")) << run.out;
  EXPECT_TRUE(Has(run, "\"I Accept\" stays disabled until the customer has scrolled"));
  EXPECT_TRUE(Has(run, "112 x 224 pixels, 8 bits per pixel, 256 colours with a palette"));
  EXPECT_TRUE(Has(run, "bookmark.htm     present"));
  EXPECT_TRUE(Has(run, "AddShortcut.exe  absent"));
  EXPECT_TRUE(Has(run, "staged:             bookmark.htm, setup.oid, temp.exe\n")) << run.out;
  EXPECT_TRUE(Has(run, "ok: the kit can be shipped"));
}

TEST_F(KittoolCheck, AConfigurationFileBesideTheLauncherWins) {
  KitConfiguration packaged = testkit::SampleConfiguration();
  PackedKit(packaged);
  KitConfiguration beside = testkit::SampleConfiguration();
  beside.profileName = "Beside";
  beside.hasAgreement = false;
  Write("kit/setup.oid", testkit::OidFile(beside));
  ToolRun run = Check();
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_TRUE(Has(run, "configuration:      setup.oid beside the launcher"));
  EXPECT_TRUE(Has(run, "warning: setup.exe also carries a package; setup.oid wins"));
  EXPECT_TRUE(Has(run, "$file=setup$prof=Beside\n")) << run.out;
  EXPECT_TRUE(Has(run, "agreement:          none"));

  // Named by its configuration file, the kit is the same kit.
  ToolRun byOid = Kittool({"check", Path("kit/setup.oid")});
  EXPECT_TRUE(Has(byOid, "launcher:           setup.exe\n")) << byOid.out;
  EXPECT_TRUE(Has(byOid, "warning: setup.exe also carries a package; setup.oid wins"));
}

TEST_F(KittoolCheck, TheFileOptionNamesTheConfigurationAsForTheLauncher) {
  PackedKit(testkit::SampleConfiguration(), "Harbour.exe");
  KitConfiguration acme = testkit::SampleConfiguration();
  acme.profileName = "Acme";
  Write("kit/acme.oid", testkit::OidFile(acme));
  ToolRun run = Check("$file=acme");
  EXPECT_TRUE(Has(run, "acme.oid beside the launcher")) << run.out;
  EXPECT_TRUE(Has(run, "C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\$file=acme$prof=Acme\n"))
      << run.out;
  ToolRun defaults = Check();
  EXPECT_TRUE(Has(defaults, "$file=Harbour$prof=Acme Dial-Up\n")) << defaults.out;
}

TEST_F(KittoolCheck, ProblemsThatStopTheKitFail) {
  struct Case {
    const char* name;
    std::function<void(KittoolCheck&)> make;
    const char* problem;
  };
  const Case cases[] = {
      {"no_configuration",
       [](KittoolCheck& t) { t.Write("kit/setup.exe", testkit::FakePeImage(0x1000)); },
       "problem: no setup.oid beside the launcher and no package in setup.exe"},
      {"broken_stream",
       [](KittoolCheck& t) {
         Bytes plain = testkit::PlainStream(testkit::SampleConfiguration());
         plain.resize(200);
         t.Write("kit/setup.oid", kit::config::ScrambleForStorage(plain, true));
       },
       "problem: the configuration does not decode to its end: field 25 at byte 76"},
      {"picture_refused",
       [](KittoolCheck& t) {
         KitConfiguration c = testkit::SampleConfiguration();
         c.picture = testkit::MakeBitmap(4, 4, 8);
         c.picture[46] = 0xFF;  // biClrUsed: a colour table far beyond the info block
         c.picture[47] = 0xFF;
         t.Write("kit/setup.oid", testkit::OidFile(c));
       },
       "problem: the launcher refuses the picture"},
      {"several_launchers",
       [](KittoolCheck& t) {
         t.Write("kit/a.exe", testkit::FakePeImage(0x1000));
         t.Write("kit/b.exe", testkit::FakePeImage(0x1000));
       },
       "several programs could be the launcher (a.exe, b.exe)"},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir / "kit");
    fs::create_directories(dir / "kit");
    c.make(*this);
    ToolRun run = Check();
    EXPECT_EQ(run.code, 1) << c.name;
    EXPECT_TRUE(Has(run, c.problem) || run.err.find(c.problem) != std::string::npos)
        << c.name << ":\n"
        << run.out << run.err;
  }
}

TEST_F(KittoolCheck, TheCopyInstructionAndItsFile) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.copyInstruction = "yes";
  c.copyFile = "docs\\notes.txt";
  PackedKit(c);
  ToolRun missing = Check();
  EXPECT_TRUE(Has(missing, "warning: the copy instruction's file notes.txt is not in the kit"))
      << missing.out;
  Write("kit/notes.txt", std::string("notes"));
  ToolRun present = Check();
  EXPECT_TRUE(Has(present, "notes.txt        present: the copy instruction's file")) << present.out;
  // A copy makes no folders, on Windows as in the preview.
  EXPECT_TRUE(Has(present, "warning: the copy instruction copies into the folder docs at the root"))
      << present.out;
  EXPECT_FALSE(Has(present, "copied to:"));

  c.copyFile = "notes.txt";
  PackedKit(c);
  EXPECT_TRUE(Has(Check(), "copied to:          C:\\notes.txt\n"));
}

TEST_F(KittoolCheck, AShortAgreementThatMustBeScrolledStartsEnabled) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.agreementText = "Short terms.";
  PackedKit(c);
  ToolRun run = Check();
  EXPECT_TRUE(Has(run, "about 1 line, so it fits without scrolling")) << run.out;
  EXPECT_TRUE(Has(run, "scroll to accept is set, but the text fits")) << run.out;
}

TEST(KittoolAgreementEstimate, WrapsAtWordsLikeAnEditControl) {
  struct Case {
    std::string text;
    int width, lines;
  };
  for (const Case& c :
       {Case{"", 45, 1}, Case{"one", 45, 1}, Case{"a\r\nb\r\n", 45, 3}, Case{"a\nb", 45, 2},
        Case{"aaa bbb ccc", 7, 2}, Case{"aaa bbb ccc", 6, 3}, Case{std::string(100, 'x'), 45, 3},
        Case{"aaaa " + std::string(90, 'x'), 45, 3}})
    EXPECT_EQ(EstimateWrappedLines(c.text, c.width), c.lines) << c.text << " at " << c.width;
}

TEST(KittoolCommandLine, ExitCodesForHelpUsageAndInput) {
  for (std::vector<std::string> help : {std::vector<std::string>{"--help"},
                                        {"decode", "--help"},
                                        {"encode", "--help"},
                                        {"pack", "--help"},
                                        {"szdd", "--help"},
                                        {"szdd", "compress", "--help"},
                                        {"szdd", "expand", "--help"},
                                        {"check", "--help"}}) {
    ToolRun run = Kittool(help);
    EXPECT_EQ(run.code, 0) << help.front();
    EXPECT_NE(run.out.find("Usage"), std::string::npos) << help.front();
  }
  for (std::vector<std::string> usage : {std::vector<std::string>{},
                                         {"frobnicate"},
                                         {"decode"},
                                         {"encode", "a.json"},
                                         {"pack", "--launcher", "a"},
                                         {"szdd", "squash", "a", "b"},
                                         {"decode", "a", "--bogus"}})
    EXPECT_EQ(Kittool(usage).code, 2) << (usage.empty() ? "" : usage.front());
  ToolRun missing = Kittool({"decode", "/nonexistent/kit.oid"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("kittool: decode: /nonexistent/kit.oid: cannot be read"),
            std::string::npos)
      << missing.err;
}

}  // namespace
}  // namespace kittool::testing
