// Option parsing and the sign-up command line.
#include <gtest/gtest.h>

#include <string>

#include "launcher/launch_options.h"
#include "launcher/run_state.h"
#include "launcher/signup_command_line.h"
#include "platform/fake/fake_platform.h"

namespace kit {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  OptionsTest() : run(fake) { run.options = &options; }

  void Parse(std::string commandLine) {
    std::string writable = commandLine;
    ParseLaunchOptions(run, writable.data());
    EXPECT_EQ(std::string(writable.c_str()), "") << "the parser consumes its input";
  }

  // The command line as the launch builds it once staging wrote the path.
  std::string Build(const std::string& programPath = "C:\\WINDOWS\\TEMP\\temp.exe") {
    SignupCommandLine line;
    line.Assign(programPath.c_str());
    BuildSignupCommandLine(options, run.application, line);
    return line.Get();
  }

  FakePlatform fake;
  LaunchOptions options;
  RunState run;
};

TEST_F(OptionsTest, WorkedExampleGivesItsCommandLine) {
  Parse("$realname=Jo Lee$oemail$name=jo$prof=home$name=al");
  options.path.Assign("C:\\KIT\\");
  options.file.Assign("file=setup");
  EXPECT_EQ(Build(),
            "C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\$name=jo$OEMail$realname=Jo Lee"
            "$file=setup$prof=home");
}

struct StoredCase {
  const char* commandLine;
  const char* entry;  // which entry to look at
  const char* expected;
};

const char* EntryText(LaunchOptions& o, const std::string& which) {
  if (which == "name") return o.name.Get();
  if (which == "realname") return o.realname.Get();
  if (which == "organ") return o.organ.Get();
  if (which == "chain") return o.chain.Get();
  if (which == "noprofile") return o.noprofile.Get();
  if (which == "popname") return o.popname.Get();
  if (which == "pop") return o.pop.Get();
  if (which == "prefix") return o.prefix.Get();
  if (which == "suffix") return o.suffix.Get();
  if (which == "area") return o.area.Get();
  if (which == "script") return o.script.Get();
  if (which == "next") return o.next.Get();
  return "?";
}

TEST_F(OptionsTest, StoresEntriesByCompareLengthCaseAndPosition) {
  const StoredCase cases[] = {
      {"name=jo$OEMail", "name", "name=jo"},              // no leading '$'
      {"$name=jo$name=al", "name", "name=jo"},            // leftmost stays
      {"$NAME=jo", "name", "NAME=jo"},                    // kept as typed
      {"$name=jo $OEMail", "name", "name=jo "},           // blanks belong to it
      {"$ name=jo", "name", ""},                          // ... also in front
      {"$realnameX=Jo", "realname", "realnameX=Jo"},      // compared on 8
      {"$organization=Acme", "organ", "organization=Acme"},  // compared on 5
      {"$chainX=1", "chain", "$chainX=1"},
      {"$noprofile", "noprofile", "$noprofile"},
      {"$popname=x$pop=y", "popname", "popname=x"},
      {"$popname=x$pop=y", "pop", "pop=y"},
      {"$prefix=ab", "prefix", "ab"},
      {"$SUFFIX=cd", "suffix", "cd"},
  };
  for (const StoredCase& c : cases) {
    options = LaunchOptions();
    Parse(c.commandLine);
    EXPECT_EQ(std::string(EntryText(options, c.entry)), c.expected) << c.commandLine;
  }
}

TEST_F(OptionsTest, FlagsAreSetByTheirWordsWhateverFollows) {
  Parse("$oemail$IEMAIL$nsmail$o98mail$nomodem=1$dunprefix$dunsuffix$mailprefix=x"
        "$mailsuffix$dialoption=yes$rbootnow");
  for (u32 flag : {options.OEMail, options.IEMail, options.NSMail, options.O98Mail,
                   options.nomodem, options.dunprefix, options.dunsuffix, options.mailprefix,
                   options.mailsuffix, options.dialoption, options.rboot})
    EXPECT_EQ(flag, 1u);
  options.file.Assign("file=k");
  options.prof.Assign("prof=k");
  EXPECT_EQ(Build("P"),
            "P OEMail$IEMail$NSMail$O98Mail$nomodem$dunprefix$dunsuffix$mailprefix"
            "$mailsuffix$dialoption$rboot$file=k$prof=k");
}

TEST_F(OptionsTest, DroppedAndEmptyTokensNeverReachTheCommandLine) {
  Parse("$iehome$nethome=x$homepage=http://a$$unknown=1$");
  EXPECT_EQ(Build("P"), "P");
}

TEST_F(OptionsTest, EveryItemGoesOutInItsFixedOrder) {
  // Value options in reverse order, in two halves so each line fits.
  Parse("$next=n$onlysmtp=o$dialparm=d$prof=p$file=f$copy=c$news=n$domain=d$remove=r"
        "$smtp=s$pop=p$script=s$DNS=1$organ=o$realname=r$suffix=s");
  options.path.Assign("K\\");
  EXPECT_EQ(Build("P"),
            "P path=K\\$suffix=s$realname=r$organ=o$DNS=1$script=s$pop=p$smtp=s$remove=r"
            "$domain=d$news=n$copy=c$file=f$prof=p$dialparm=d$onlysmtp=o$next=n");
  options = LaunchOptions();
  Parse("$rboot$dialoption$prefix=p$mailsuffix$mailprefix$dunsuffix$dunprefix$nomodem"
        "$O98Mail$NSMail$IEMail$OEMail$area=a$popname=p$gate=g$numb=n$pass=p$name=n"
        "$noprofile$chain");
  EXPECT_EQ(Build("P"),
            "P chain$noprofile$name=n$pass=p$numb=n$gate=g$popname=p$area=a"
            "$OEMail$IEMail$NSMail$O98Mail$nomodem$dunprefix$dunsuffix$mailprefix"
            "$mailsuffix$prefix=p$dialoption$rboot");
  EXPECT_EQ(run.ScriptGiven, 1u);
}

TEST_F(OptionsTest, ApplicationValuesGoBehindTheKitFolderUnlessWebAddresses) {
  struct Case {
    const char* commandLine;
    const char* expected;
  } cases[] = {
      {"$appl=go.exe", "C:\\KIT\\go.exe"},
      {"$appl=https://x", "C:\\KIT\\https://x"},
      {"$appl=HTTP://x", "HTTP://x"},
      // The right token is handled first.
      {"$appl=a.exe$appl=http://x", "C:\\KIT\\a.exe"},
      {"$appl=http://x$appl=a.exe", "C:\\KIT\\a.exehttp://x"},
  };
  for (const Case& c : cases) {
    run.application.Clear();
    Parse(c.commandLine);
    EXPECT_EQ(std::string(run.application.Get()), c.expected) << c.commandLine;
  }
  EXPECT_EQ(Build("P"), "P appl=C:\\KIT\\a.exehttp://x");
}

TEST_F(OptionsTest, ValuesThatDoNotFitAreRefusedAndNeverWrittenPast) {
  // area= holds at most 9 characters, keyword included.
  Parse("$area=1234");
  EXPECT_STREQ(options.area.Get(), "area=1234");
  Parse("$area=12345$area=1");
  EXPECT_STREQ(options.area.Get(), "area=1") << "a token too long for its entry is dropped";
  // A chain token of more than 18 characters cannot take its '$'.
  Parse(std::string("$chain") + std::string(13, 'x'));
  EXPECT_STREQ(options.chain.Get(), "$chainxxxxxxxxxxxxx");
  options.chain.Clear();
  Parse(std::string("$chain") + std::string(14, 'x'));
  EXPECT_STREQ(options.chain.Get(), "");
  // A token of more than 254 characters does not fit the token buffer.
  Parse("$next=" + std::string(249, 'n'));
  EXPECT_EQ(options.next.Length(), 254u);
  options.next.Clear();
  Parse("$next=" + std::string(250, 'n'));
  EXPECT_EQ(options.next.Length(), 0u);
  // A kit folder and appl= value of more than 255 characters together.
  Parse("$appl=" + std::string(255 - 7, 'a'));
  EXPECT_EQ(run.application.Length(), 255u);
  Parse("$appl=" + std::string(255 - 6, 'b'));
  EXPECT_EQ(run.application.Get()[7], 'a') << "the buffer keeps what it held";
}

TEST_F(OptionsTest, ACommandLineThatWouldOverflowLeavesOutWholeItems) {
  Parse("$name=" + std::string(40, 'n') + "$gate=" + std::string(90, 'g') + "$pop=" +
        std::string(90, 'p') + "$news=x");
  std::string line = Build("C:\\WINDOWS\\TEMP\\temp.exe");
  EXPECT_LE(line.size(), 254u);
  EXPECT_NE(line.find("$gate="), std::string::npos);
  EXPECT_EQ(line.find("$pop="), std::string::npos) << "the item that does not fit is left out";
  EXPECT_NE(line.find("$news=x"), std::string::npos) << "later items that fit still go in";
}

TEST_F(OptionsTest, TheFirstDollarOfTheWholeLineBecomesTheBlank) {
  options.path.Assign("C:\\KIT\\");
  EXPECT_EQ(Build("C:\\TE$MP\\temp.exe"), "C:\\TE MP\\temp.exe$path=C:\\KIT\\");
  EXPECT_EQ(Build(""), " path=C:\\KIT\\");
}

TEST_F(OptionsTest, AVeryLongCommandLineIsConsumedWhole) {
  std::string line;
  for (int i = 0; i < 1000; ++i) line += "$name=" + std::to_string(i);
  Parse(line);
  EXPECT_STREQ(options.name.Get(), "name=0");
  Parse(std::string(10000, 'x'));
}

}  // namespace
}  // namespace kit
