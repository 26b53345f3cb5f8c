// The launch from start to end, against the in-memory Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "launcher/launch_sequence.h"
#include "launcher/paths.h"
#include "platform/fake/fake_platform.h"

namespace kit {
namespace {

class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() {
    fake.AddFile("C:\\KIT\\setup.exe", "launcher");
    fake.AddFile("C:\\KIT\\setup.oid", "");
    fake.resources["oid/install"] = {'M', 'Z'};
  }

  int Launch(std::string commandLine = "") {
    return RunLaunch(fake, commandLine.data());
  }

  size_t IndexOf(const std::string& prefix) const {
    for (size_t i = 0; i < fake.events.size(); ++i)
      if (fake.events[i].rfind(prefix, 0) == 0) return i;
    return std::string::npos;
  }

  FakePlatform fake;
};

TEST_F(LaunchTest, StartsTheSignupProgramByItsFullPathAtHighPriorityAndWaits) {
  EXPECT_EQ(Launch("$name=jo"), 0);
  ASSERT_EQ(fake.processes.size(), 1u);
  const FakePlatform::Process& signup = fake.processes[0];
  EXPECT_EQ(signup.applicationName, "C:\\WINDOWS\\TEMP\\temp.exe");
  EXPECT_EQ(signup.commandLine,
            "C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\$name=jo$file=setup$prof=setup");
  EXPECT_TRUE(signup.inheritHandles);
  EXPECT_EQ(signup.creationFlags, kHighPriorityClass);
  EXPECT_EQ(signup.startupFlags, kStartfUseShowWindow);
  EXPECT_EQ(signup.showWindow, kShowNormal);
  EXPECT_EQ(signup.currentFolder, "C:\\WINDOWS\\TEMP\\");
  EXPECT_TRUE(signup.waitedFor);
  EXPECT_EQ(fake.quitPosted, 0);
  EXPECT_EQ(fake.openFiles, 0) << "every file opened is closed again";
}

TEST_F(LaunchTest, AnEmptyCommandLineStillCarriesPathAndTheDefaults) {
  Launch();
  ASSERT_EQ(fake.processes.size(), 1u);
  EXPECT_EQ(fake.processes[0].commandLine,
            "C:\\WINDOWS\\TEMP\\temp.exe path=C:\\KIT\\$file=setup$prof=setup");
}

TEST_F(LaunchTest, TheCleanUpDeletesEveryOidAndTempExeAndNothingElse) {
  for (const char* name : {"a.oid", "B.OID", "temp.exe", "keep.txt", "x.oidx", "temp.ex_"})
    fake.AddFile(std::string("C:\\WINDOWS\\TEMP\\") + name, "old");
  fake.AddFile("C:\\WINDOWS\\TEMP\\sub\\c.oid", "old");
  fake.AddFile("C:\\KIT\\other.oid", "kit");
  fake.Find("C:\\WINDOWS\\TEMP\\B.OID")->readOnly = true;  // cannot be deleted

  fake.resources.clear();  // nothing to stage: the listing shows only the clean-up
  fake.Find("C:\\KIT\\setup.oid")->readable = false;  // and the launch ends early
  Launch();
  std::vector<std::string> left = fake.ListFolder("C:\\WINDOWS\\TEMP\\");
  EXPECT_EQ(left, (std::vector<std::string>{"B.OID", "keep.txt", "temp.ex_", "x.oidx"}));
  EXPECT_TRUE(fake.Exists("C:\\WINDOWS\\TEMP\\sub\\c.oid"));
  EXPECT_TRUE(fake.Exists("C:\\KIT\\other.oid"));
  EXPECT_TRUE(fake.processes.empty()) << "no configuration, no sign-up program";
}

TEST_F(LaunchTest, TheShortcutProgramRunsHiddenAfterTheSignupProgramEnded) {
  fake.AddFile("C:\\KIT\\AddShortcut.exe", "x");
  Launch();
  ASSERT_EQ(fake.processes.size(), 2u);
  EXPECT_TRUE(fake.processes[1].hidden);
  EXPECT_EQ(fake.processes[1].commandLine, "\"C:\\KIT\\AddShortcut.exe\"");
  EXPECT_LT(IndexOf("wait"), IndexOf("winexec"));
  EXPECT_LT(IndexOf("winexec"), IndexOf("quit"));
}

TEST_F(LaunchTest, TheShortcutProgramRunsEvenWhenTheSignupProgramCannotStart) {
  fake.AddFile("C:\\KIT\\AddShortcut.exe", "x");
  fake.onProcessStart = nullptr;
  fake.expander = [](const std::vector<uint8_t>&, std::vector<uint8_t>&) { return false; };
  Launch();
  EXPECT_NE(IndexOf("start failed"), std::string::npos);
  EXPECT_EQ(IndexOf("wait"), std::string::npos) << "nothing to wait for";
  ASSERT_EQ(fake.processes.size(), 1u);
  EXPECT_TRUE(fake.processes[0].hidden);
}

TEST_F(LaunchTest, AShortcutProgramThatCannotBeOpenedIsNotStarted) {
  fake.AddFile("C:\\KIT\\AddShortcut.exe", "x").readable = false;
  Launch();
  EXPECT_EQ(IndexOf("winexec"), std::string::npos);
}

TEST_F(LaunchTest, WithoutAProgramPathNothingIsAskedToStartButTheShortcutProgramRuns) {
  // The temporary folder is missing: staging cannot write temp.ex_.
  fake.tempFolder = "C:\\NOWHERE\\";
  fake.AddFile("C:\\KIT\\AddShortcut.exe", "x");
  Launch("$name=jo");
  EXPECT_EQ(IndexOf("start"), std::string::npos);
  ASSERT_EQ(fake.processes.size(), 1u);
  EXPECT_TRUE(fake.processes[0].hidden);
}

TEST_F(LaunchTest, AKitAtADriveRootLooksForTheShortcutProgramInThatRoot) {
  fake.modulePath = "D:\\setup.exe";
  fake.AddFile("D:\\setup.oid", "");
  fake.AddFile("D:\\AddShortcut.exe", "x");
  Launch();
  ASSERT_EQ(fake.processes.size(), 2u);
  EXPECT_EQ(fake.processes[1].commandLine, "\"D:\\AddShortcut.exe\"");
}

TEST_F(LaunchTest, OverlongPathsAreSkippedNeverWrittenPast) {
  // A temporary folder of 250 characters leaves no room for "temp.exe".
  std::string deep = "C:\\" + std::string(246, 't') + "\\";
  fake.tempFolder = deep;
  fake.AddFolder(deep);
  fake.AddFile(deep + "a.oid", "old");
  EXPECT_EQ(Launch(), 0);
  EXPECT_TRUE(fake.Exists(deep + "a.oid")) << "a path that does not fit is not deleted";
  EXPECT_TRUE(fake.processes.empty());
}

TEST(CutAtLastBackslash, CutsAtTheLastBackslashOnly) {
  BoundedText<20> text;
  text.Assign("C:\\KIT\\setup.exe");
  EXPECT_EQ(CutAtLastBackslash(text.Ref()), 1);
  EXPECT_STREQ(text.Get(), "C:\\KIT");
  text.Assign("setup.exe");
  EXPECT_EQ(CutAtLastBackslash(text.Ref()), 0);
  EXPECT_STREQ(text.Get(), "setup.exe");
}

}  // namespace
}  // namespace kit
