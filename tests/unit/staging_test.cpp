// Staging the temporary folder, through whole launches against the
// in-memory Windows.
#include <gtest/gtest.h>

#include <string>

#include "config/writer/config_decoder.h"
#include "config/scramble.h"
#include "launcher/launch_sequence.h"
#include "platform/fake/fake_platform.h"
#include "tests/support/kit_builder.h"

namespace kit {
namespace {

using testkit::Bytes;

const char* const kTemp = "C:\\WINDOWS\\TEMP\\";

std::string TempFile(const std::string& name) { return kTemp + name; }

Bytes Descrambled(Bytes bytes) {
  OidBuffer buffer;
  buffer.Append(bytes.data(), static_cast<u32>(bytes.size()));
  ScrambleOid(buffer, kScrambleBlockSize, false);
  return Bytes(buffer.Data(), buffer.Data() + buffer.Length());
}

class StagingTest : public ::testing::Test {
 protected:
  StagingTest() {
    config = testkit::SampleConfiguration();
    config.hasAgreement = false;
    fake.AddFile("C:\\KIT\\setup.exe", testkit::FakePeImage(0x400));
    fake.resources["oid/install"] = program;
  }

  void KitWithOid(const std::string& name = "setup") {
    fake.AddFile("C:\\KIT\\" + name + ".oid", testkit::OidFile(config));
  }
  void KitWithPackage() {
    fake.AddFile("C:\\KIT\\setup.exe",
                 testkit::WithPackage(testkit::FakePeImage(0x400), config));
  }

  // The sign-up program's command line, without the program path.
  std::string Launch(std::string commandLine = "") {
    RunLaunch(fake, commandLine.data());
    if (fake.processes.empty() || fake.processes[0].hidden) return "<not started>";
    const std::string& line = fake.processes[0].commandLine;
    return line.substr(line.find(' ') + 1);
  }

  FakePlatform fake;
  config::KitConfiguration config;
  Bytes program = {'M', 'Z', 1, 2, 3};
};

TEST_F(StagingTest, OptionCombinationsGiveTheirFilesAndDefaults) {
  struct Case {
    const char* name;
    const char* kitOid;       // the configuration beside the launcher
    const char* options;
    const char* stagedAs;     // in the temporary folder
    const char* expected;     // the options the sign-up program receives
  } cases[] = {
      {"no options", "setup", "", "setup.oid",
       "path=C:\\KIT\\$file=setup$prof=Acme Dial-Up"},
      {"file= only", "acme", "$file=acme", "acme.oid",
       "path=C:\\KIT\\$file=acme$prof=Acme Dial-Up"},
      {"prof= given", "setup", "$prof=mine", "setup.oid",
       "path=C:\\KIT\\$file=setup$prof=mine"},
      {"file= and prof=", "acme", "$prof=mine$file=acme", "acme.oid",
       "path=C:\\KIT\\$file=acme$prof=mine"},
      {"file= in a subfolder", "sub\\acme", "$file=sub\\acme", "acme.oid",
       "path=C:\\KIT\\$file=sub\\acme$prof=Acme Dial-Up"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake = FakePlatform();
    fake.AddFile("C:\\KIT\\setup.exe", testkit::FakePeImage(0x400));
    fake.resources["oid/install"] = program;
    KitWithOid(c.kitOid);
    EXPECT_EQ(Launch(c.options), c.expected);
    EXPECT_EQ(fake.Bytes(TempFile(c.stagedAs)),
              fake.Bytes(std::string("C:\\KIT\\") + c.kitOid + ".oid"));
    EXPECT_EQ(fake.Bytes(TempFile("temp.exe")), program);
    EXPECT_FALSE(fake.Exists(TempFile("temp.ex_")));
  }
}

TEST_F(StagingTest, AnAppendedPackageIsStagedScrambledWithItsTrailer) {
  KitWithPackage();
  EXPECT_EQ(Launch(), "path=C:\\KIT\\$file=setup$prof=Acme Dial-Up");
  // The package already ends in a trailer, so staging's own is one block.
  Bytes staged = fake.Bytes(TempFile("setup.oid"));
  Bytes package = testkit::Package(config);
  Bytes plain = testkit::PlainStream(config);
  ASSERT_EQ(staged.size(), package.size() - 10 + 32);
  Bytes descrambled = Descrambled(staged);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), descrambled.begin()));
  EXPECT_EQ(std::string(descrambled.begin() + plain.size(), descrambled.begin() + plain.size() + 9),
            "$extra=ZZ");
  EXPECT_EQ(std::string(descrambled.end() - 32, descrambled.end()),
            "$extra=ZZ" + std::string(23, 'Z'));
  config::DecodeResult decoded = config::DecodeConfiguration(descrambled);
  EXPECT_TRUE(decoded.complete) << decoded.error;
}

TEST_F(StagingTest, AStagedOidThatCannotBeWrittenLeavesThePackagePlainForTheProfile) {
  KitWithPackage();
  fake.AddFile(TempFile("setup.oid"), "locked").locked = true;
  fake.Find(TempFile("setup.oid"))->readOnly = true;  // survives the clean-up too
  EXPECT_EQ(Launch(), "path=C:\\KIT\\$file=setup$prof=Acme Dial-Up");
  EXPECT_EQ(fake.Bytes(TempFile("setup.oid")), Bytes({'l', 'o', 'c', 'k', 'e', 'd'}));
}

TEST_F(StagingTest, AScriptIsCopiedUnderTheWindowsDriveRootInsteadOfTheStagingPass) {
  KitWithOid();
  fake.AddFile("C:\\KIT\\dial.scp", "script");
  EXPECT_EQ(Launch("$script=net\\dial.scp"),
            "path=C:\\KIT\\$script=net\\dial.scp$file=setup$prof=setup");
  EXPECT_FALSE(fake.Exists("C:\\net\\dial.scp")) << "folders under the root are not made";
  fake = FakePlatform();
  fake.AddFile("C:\\KIT\\setup.exe", testkit::FakePeImage(0x400));
  KitWithOid();
  fake.AddFile("C:\\KIT\\dial.scp", "script");
  EXPECT_EQ(Launch("$script=dial.scp"), "path=C:\\KIT\\$script=dial.scp$file=setup$prof=setup");
  EXPECT_EQ(fake.Bytes("C:\\dial.scp"), fake.Bytes("C:\\KIT\\dial.scp"));
  // An empty value names folders: the copy fails quietly.
  fake.processes.clear();
  EXPECT_EQ(Launch("$script="), "path=C:\\KIT\\$script=$file=setup$prof=setup");
}

TEST_F(StagingTest, CopyAndNextConfigurationsAreStagedUnderTheirBaseNames) {
  KitWithOid();
  for (const char* name : {"extra", "a", "sub\\b", "c"})
    fake.AddFile(std::string("C:\\KIT\\") + name + ".oid", name);
  Launch("$copy=extra$next=\"file=a;file=sub\\b;file=c\"$copy=missing");
  for (const char* name : {"extra", "a", "b", "c"})
    EXPECT_TRUE(fake.Exists(TempFile(name) + ".oid")) << name;
  EXPECT_FALSE(fake.Exists(TempFile("missing.oid")));
}

TEST_F(StagingTest, SideFilesComeFromTheKitAndLeftoversAreKept) {
  KitWithOid();
  fake.AddFile("C:\\KIT\\Icwscrpt.exe", "runner");
  fake.AddFile("C:\\KIT\\veltosignup.exe", "new");
  fake.AddFile("C:\\KIT\\bookmark.htm", "new");
  fake.AddFile("C:\\KIT\\inbox", "new");
  fake.AddFile(TempFile("bookmark.htm"), "old");
  fake.AddFile(TempFile("Icwscrpt.exe"), "old");
  fake.AddFile(TempFile("temp.ex_"), "old");
  Launch();
  EXPECT_EQ(fake.Bytes(TempFile("Icwscrpt.exe")), Bytes({'r', 'u', 'n', 'n', 'e', 'r'}));
  EXPECT_EQ(fake.Bytes(TempFile("veltosignup.exe")), Bytes({'n', 'e', 'w'}));
  EXPECT_EQ(fake.Bytes(TempFile("bookmark.htm")), Bytes({'o', 'l', 'd'})) << "kept";
  EXPECT_EQ(fake.ListFolder(kTemp),
            (std::vector<std::string>{"Icwscrpt.exe", "Inbox", "bookmark.htm", "setup.oid",
                                      "temp.exe", "veltosignup.exe"}));
}

TEST_F(StagingTest, AKitAtADriveRootTakesItsSideFilesFromThatRoot) {
  fake.modulePath = "D:\\setup.exe";
  fake.AddFile("D:\\setup.exe", testkit::FakePeImage(0x400));
  fake.AddFile("D:\\setup.oid", testkit::OidFile(config));
  fake.AddFile("D:\\bookmark.htm", "root");
  EXPECT_EQ(Launch(), "path=D:\\$file=setup$prof=Acme Dial-Up");
  EXPECT_TRUE(fake.Exists(TempFile("bookmark.htm")));
}

TEST_F(StagingTest, ALauncherNamedWithTwoDotsGetsBothDefaults) {
  fake.modulePath = "C:\\KIT\\my.setup.exe";
  fake.AddFile("C:\\KIT\\my.setup.exe", testkit::FakePeImage(0x400));
  config.profileName = "blank";
  fake.AddFile("C:\\KIT\\my.setup.oid", testkit::OidFile(config));
  EXPECT_EQ(Launch(), "path=C:\\KIT\\$file=my.setup$prof=");
  EXPECT_TRUE(fake.Exists(TempFile("my.setup.oid")));
  fake = FakePlatform();
  fake.modulePath = "C:\\KIT\\my.setup.exe";
  fake.AddFile("C:\\KIT\\my.setup.exe", testkit::FakePeImage(0x400));
  fake.AddFile("C:\\KIT\\my.setup.oid", testkit::OidFile(config));
  fake.resources["oid/install"] = program;
  EXPECT_EQ(Launch("$script=x"), "path=C:\\KIT\\$script=x$file=my.setup$prof=my");
}

}  // namespace
}  // namespace kit
