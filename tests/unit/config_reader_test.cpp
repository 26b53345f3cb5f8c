// The record reader: field kinds, the three passes, the copy instruction,
// the agreement, the profile name, and streams that end early.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agreement/agreement_session.h"
#include "agreement/dib_image.h"
#include "config/read_pass.h"
#include "config/record_reader.h"
#include "config/scramble.h"
#include "config/writer/config_decoder.h"
#include "launcher/launch_options.h"
#include "platform/fake/fake_platform.h"
#include "tests/support/kit_builder.h"

namespace kit {
namespace {

using Bytes = std::vector<uint8_t>;
using config::KitConfiguration;

Bytes Text(const std::string& text) {
  Bytes bytes{static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

Bytes EscapedText(const std::string& text) {
  Bytes bytes{0xFF, static_cast<uint8_t>(text.size()), static_cast<uint8_t>(text.size() >> 8)};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

// --- field kinds -----------------------------------------------------------------

TEST(RecordReaderTest, TextEncodings) {
  struct Case {
    const char* name;
    Bytes stored;
    std::string delivered;
  };
  const std::string zeroInside("ab\0cd", 5);
  const Case cases[] = {
      {"empty", {0}, ""},
      {"254 bytes, the longest short form", Text(std::string(254, 'a')), std::string(254, 'a')},
      {"256 bytes escaped (255, 0x00, 0x01)", EscapedText(std::string(256, 'b')),
       std::string(256, 'b')},
      {"65,535 bytes escaped (255, 0xFF, 0xFF)", EscapedText(std::string(65535, 'c')),
       std::string(65535, 'c')},
      {"a short text in the escaped form", EscapedText("abc"), "abc"},
      {"blank", Text("blank"), ""},
      {"blank, escaped", EscapedText("blank"), ""},
      {"Blank", Text("Blank"), "Blank"},
      {"blanks", Text("blanks"), "blanks"},
      {"blan", Text("blan"), "blan"},
      {"a zero byte ends the value", Text(zeroInside), "ab"},
      {"blank before a zero byte", Text(std::string("blank\0x", 7)), ""},
      {"a zero first", Text(std::string("\0abc", 4)), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stream = c.stored;
    stream.push_back('!');  // the next field's first byte
    OidCursor cursor(stream.data(), static_cast<u32>(stream.size()));
    std::vector<char> out(65536, 'x');
    EXPECT_TRUE(ReadOidText(cursor, TextRef(out.data(), 65536)));
    EXPECT_EQ(std::string(out.data()), c.delivered);
    EXPECT_EQ(cursor.Remaining(), 1u) << "moves past all the stored bytes";
    EXPECT_FALSE(cursor.ranOut);
  }
}

TEST(RecordReaderTest, TextIsCutToItsDestination) {
  Bytes stream = Text("abcdef");
  OidCursor cursor(stream.data(), static_cast<u32>(stream.size()));
  BoundedText<4> out;
  EXPECT_TRUE(ReadOidText(cursor, out.Ref()));
  EXPECT_STREQ(out.Get(), "abc");
  EXPECT_EQ(cursor.Remaining(), 0u);
}

TEST(RecordReaderTest, TextThatRunsPastTheEndIsEmptyAndEndsTheStream) {
  const Bytes cases[] = {{}, {5, 'a', 'b'}, {0xFF}, {0xFF, 3}, {0xFF, 0xFF, 0xFF, 'a'}};
  for (const Bytes& stored : cases) {
    // Its own exact-size block, so that a read past it cannot go unseen.
    std::unique_ptr<uint8_t[]> block(new uint8_t[stored.size()]);
    std::copy(stored.begin(), stored.end(), block.get());
    OidCursor cursor(block.get(), static_cast<u32>(stored.size()));
    BoundedText<16> out;
    out.Assign("old");
    EXPECT_FALSE(ReadOidText(cursor, out.Ref()));
    EXPECT_STREQ(out.Get(), "");
    EXPECT_TRUE(cursor.ranOut);
    EXPECT_EQ(cursor.Remaining(), 0u);
  }
}

TEST(RecordReaderTest, FlagsLookAtTheFirstByteAndTakeFour) {
  struct Case {
    Bytes stored;
    u32 value;
  };
  const Case cases[] = {
      {{0x00, 0x00, 0x00, 0x00}, 0}, {{0x00, 0x01, 0x00, 0x00}, 0}, {{0x00, 0x00, 0x00, 0x01}, 0},
      {{0x01, 0x00, 0x00, 0x00}, 1}, {{0x80, 0x00, 0x00, 0x00}, 1}, {{0xFF, 0xFF, 0xFF, 0xFF}, 1},
  };
  for (const Case& c : cases) {
    Bytes stream = c.stored;
    stream.push_back(0x55);
    OidCursor cursor(stream.data(), static_cast<u32>(stream.size()));
    EXPECT_EQ(ReadOidFlag(cursor), c.value);
    EXPECT_EQ(cursor.Remaining(), 1u);
  }
  Bytes shortFlag{0x01, 0x00, 0x00};
  OidCursor cursor(shortFlag.data(), 3);
  EXPECT_EQ(ReadOidFlag(cursor), 0u) << "a flag the stream ends inside counts as absent";
  EXPECT_TRUE(cursor.ranOut);
}

TEST(RecordReaderTest, NumbersAreLittleEndian) {
  Bytes stream{0x01, 0x02, 0x03, 0x84, 0xAA};
  OidCursor cursor(stream.data(), 5);
  EXPECT_EQ(ReadOidNumber(cursor), 0x84030201u);
  EXPECT_EQ(ReadOidNumber(cursor), 0u);
  EXPECT_TRUE(cursor.ranOut);
}

// --- the passes ------------------------------------------------------------------

// One launch's worth of reader state over the in-memory Windows.
class PassTest : public ::testing::Test {
 protected:
  PassTest() : run(fake) {
    run.options = &options;
    run.SplashPicture = &picture;
    fake.AddFile("C:\\KIT\\notes.txt", "kit notes");
    fake.customer = [this](AgreementSession& session) {
      shown.push_back(Shown{session.AgreementText, session.AgreementCaption,
                            session.ScrollToAccept});
      if (refuse) *session.AgreementRefused = 1;
    };
  }

  // Runs `pass` over `plain` held in its own exact-size block; returns the
  // pass's result and leaves in `stoppedAt` where it stopped reading.
  int Pass(const Bytes& plain, OidPass pass) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[plain.size()]);
    std::copy(plain.begin(), plain.end(), block.get());
    OidCursor cursor(block.get(), static_cast<u32>(plain.size()));
    int result = ReadOidPass(run, cursor, pass);
    stoppedAt = cursor.next - block.get();
    return result;
  }

  int Pass(const KitConfiguration& c, OidPass pass) { return Pass(testkit::PlainStream(c), pass); }

  int Copies() const {
    int n = 0;
    for (const std::string& e : fake.events) n += e.rfind("copy ", 0) == 0;
    return n;
  }

  struct Shown {
    std::string text, caption;
    u32 scrollToAccept;
  };

  FakePlatform fake;
  LaunchOptions options;
  DibImage picture{fake};
  RunState run;
  bool refuse = false;
  std::vector<Shown> shown;
  size_t stoppedAt = 0;
};

// Each conditional field switched off and on: every pass still lands on the
// fields it needs, and stops where it should.
TEST_F(PassTest, EveryConditionalFieldOnAndOff) {
  struct Switch {
    const char* name;
    void (*set)(KitConfiguration&, bool);
  };
  const Switch switches[] = {
      {"14 decides 15", [](KitConfiguration& c, bool on) { c.desktopShortcut = on; }},
      {"17 decides 18", [](KitConfiguration& c, bool on) { c.flag17 = on; }},
      {"23 decides 24 to 26", [](KitConfiguration& c, bool on) { c.hasAgreement = on; }},
      {"27 decides 28, 29", [](KitConfiguration& c, bool on) { c.flag27 = on; }},
      {"30 decides 31 to 33", [](KitConfiguration& c, bool on) { c.flag30 = on; }},
      {"35 decides 36 to 38", [](KitConfiguration& c, bool on) { c.flag35 = on; }},
      {"46 decides 47", [](KitConfiguration& c, bool on) { c.copyInstruction = on ? "yes" : "no"; }},
  };
  for (const Switch& s : switches) {
    for (bool on : {false, true}) {
      SCOPED_TRACE(std::string(s.name) + (on ? ": on" : ": off"));
      KitConfiguration c = testkit::FullConfiguration();
      s.set(c, on);
      Bytes plain = testkit::PlainStream(c);
      config::DecodeResult layout = config::DecodeConfiguration(plain);
      ASSERT_TRUE(layout.complete) << layout.error;
      const auto& at = layout.fieldOffset;

      fake.events.clear();
      shown.clear();
      run.HangUpOnRefusal = 0;
      run.ScrollToAccept = 0;
      run.ProfileFromConfig = 1;
      options.prof.Clear();

      EXPECT_EQ(Pass(plain, OidPass::kInteractive), 1);
      EXPECT_EQ(stoppedAt, at[27]) << "the interactive pass stops after field 26 (or 23)";
      EXPECT_EQ(run.HangUpOnRefusal, 1u);
      EXPECT_STREQ(options.prof.Get(), "prof=Full Profile");
      EXPECT_EQ(shown.size(), c.hasAgreement ? 1u : 0u);
      if (!shown.empty()) {
        EXPECT_EQ(shown[0].text, "Full agreement.");
        EXPECT_EQ(shown[0].caption, "Full caption");
        EXPECT_EQ(shown[0].scrollToAccept, 1u);
      }
      EXPECT_EQ(Copies(), 0) << "the interactive pass never reaches the copy instruction";

      EXPECT_EQ(Pass(plain, OidPass::kStaging), 1);
      EXPECT_EQ(stoppedAt, at[48]) << "the staging pass stops after field 46 or 47";
      EXPECT_EQ(Copies(), c.HasCopyFile() ? 1 : 0);

      EXPECT_EQ(Pass(plain, OidPass::kPicture), 1);
      EXPECT_GE(stoppedAt, at[57]) << "the picture pass reaches the picture";
      EXPECT_EQ(Copies(), c.HasCopyFile() ? 2 : 0);
      EXPECT_EQ(shown.size(), c.hasAgreement ? 1u : 0u) << "only the interactive pass shows";
    }
  }
}

TEST_F(PassTest, PicturePassLoadsThePictureAndReadsToTheEnd) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.picture = testkit::MakeBitmap(21, 13, 8);
  Bytes plain = testkit::PlainStream(c);
  EXPECT_EQ(Pass(plain, OidPass::kPicture), 1);
  i32 width = 0, height = 0;
  picture.GetSize(&width, &height);
  EXPECT_EQ(width, 21);
  EXPECT_EQ(height, 13);
  EXPECT_EQ(stoppedAt, plain.size());
}

TEST_F(PassTest, PicturePassWithoutAPictureHolderStillCarriesOutTheCopy) {
  run.SplashPicture = nullptr;
  KitConfiguration c = testkit::FullConfiguration();
  EXPECT_EQ(Pass(c, OidPass::kPicture), 1);
  EXPECT_EQ(Copies(), 1);
}

TEST_F(PassTest, AgreementAnswers) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.scrollToAccept = false;

  EXPECT_EQ(Pass(c, OidPass::kInteractive), 1) << "accepted";
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, c.agreementText.value);
  EXPECT_EQ(shown[0].caption, "Acme Online - Terms of Service");
  EXPECT_EQ(shown[0].scrollToAccept, 0u);
  EXPECT_EQ(run.ScrollToAccept, 0u);
  EXPECT_EQ(run.AgreementRefused, 0u);

  refuse = true;
  EXPECT_EQ(Pass(c, OidPass::kInteractive), 0) << "refused";
  EXPECT_EQ(run.AgreementRefused, 1u);

  // Without an agreement the pass does not look at an earlier refusal.
  c.hasAgreement = false;
  EXPECT_EQ(Pass(c, OidPass::kInteractive), 1);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(PassTest, AgreementThatCannotBeShownEndsTheLaunchWithoutARefusal) {
  fake.customer = nullptr;  // the dialog cannot be created
  EXPECT_EQ(Pass(testkit::SampleConfiguration(), OidPass::kInteractive), 0);
  EXPECT_EQ(run.AgreementRefused, 0u);
}

TEST_F(PassTest, LongAgreementTextsAreCutToTheirBuffers) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.agreementText = std::string(65535, 't');
  c.agreementCaption = std::string(300, 'c');
  EXPECT_EQ(Pass(c, OidPass::kInteractive), 1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, std::string(65534, 't'));
  EXPECT_EQ(shown[0].caption, std::string(254, 'c'));
}

TEST_F(PassTest, ProfileNameReplacesProfWhileTheSwitchIsSetAndFits) {
  struct Case {
    u32 profileFromConfig;
    std::string stored;
    const char* prof;  // afterwards; it held "prof=before"
  };
  const Case cases[] = {
      {0, "Home", "prof=before"},
      {1, "Home", "prof=Home"},
      {1, "blank", "prof="},
      {1, std::string(44, 'n'), nullptr},  // "prof=" + 44 fills the 50 bytes
      {1, std::string(45, 'n'), "prof=before"},
      {1, std::string(300, 'n'), "prof=before"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    KitConfiguration config = testkit::SampleConfiguration();
    config.profileName = c.stored;
    config.hasAgreement = false;
    for (OidPass pass : {OidPass::kPicture, OidPass::kInteractive, OidPass::kStaging}) {
      options.prof.Assign("prof=before");
      run.ProfileFromConfig = c.profileFromConfig;
      Pass(config, pass);
      std::string expected = c.prof ? c.prof : "prof=" + c.stored;
      EXPECT_EQ(std::string(options.prof.Get()), expected);
    }
  }
}

TEST_F(PassTest, CopyInstructionOnlyForExactlyYes) {
  struct Case {
    std::string instruction;
    bool copies;
  };
  const Case cases[] = {
      {"yes", true}, {"YES", false}, {"yes ", false}, {"Yes", false},
      {"ye", false}, {"", false},    {std::string("yes\0no", 6), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.instruction + "\"");
    KitConfiguration config = testkit::FullConfiguration();
    config.copyInstruction = c.instruction;
    Bytes plain = testkit::PlainStream(config);
    config::DecodeResult layout = config::DecodeConfiguration(plain);
    ASSERT_TRUE(layout.complete) << layout.error;
    EXPECT_EQ(layout.fieldOffset[47] != config::DecodeResult::kAbsent, c.copies);
    fake.events.clear();
    Pass(plain, OidPass::kStaging);
    EXPECT_EQ(stoppedAt, layout.fieldOffset[48]);
    EXPECT_EQ(Copies(), c.copies ? 1 : 0);
  }
}

TEST_F(PassTest, CopyGoesFromTheKitFolderToTheWindowsDriveRoot) {
  struct Case {
    std::string copyFile;
    const char* windowsFolder;
    const char* event;  // null: nothing copied
  };
  const Case cases[] = {
      {"notes.txt", "C:\\WINDOWS", "copy C:\\KIT\\notes.txt -> C:\\notes.txt"},
      {"sub\\notes.txt", "C:\\WINDOWS", "copy C:\\KIT\\notes.txt -> C:\\sub\\notes.txt"},
      {"a\\b\\notes.txt", "D:\\WIN\\SYS", "copy C:\\KIT\\notes.txt -> D:\\a\\b\\notes.txt"},
      {"blank", "C:\\WINDOWS", nullptr},
      {std::string(260, 'x'), "C:\\WINDOWS", nullptr},  // no path can hold it
      {"notes.txt", "WINDOWS", nullptr},                // no drive root to be had
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copyFile);
    fake.AddFolder("C:\\sub");
    fake.AddFolder("D:\\a\\b");
    fake.windowsFolder = c.windowsFolder;
    fake.events.clear();
    KitConfiguration config = testkit::FullConfiguration();
    config.copyFile = c.copyFile;
    Pass(config, OidPass::kPicture);
    std::vector<std::string> copies;
    for (const std::string& e : fake.events)
      if (e.rfind("copy ", 0) == 0) copies.push_back(e);
    if (c.event) {
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(copies[0], c.event);
    } else {
      EXPECT_TRUE(copies.empty());
    }
  }
}

TEST_F(PassTest, CopyReplacesAnExistingFile) {
  fake.AddFile("C:\\notes.txt", "old");
  Pass(testkit::FullConfiguration(), OidPass::kStaging);
  EXPECT_EQ(fake.Bytes("C:\\notes.txt"), fake.Bytes("C:\\KIT\\notes.txt"));
}

TEST_F(PassTest, ValuesSetOnTheWay) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.hangUpOnRefusal = true;
  c.scrollToAccept = false;
  run.ScrollToAccept = 1;
  Pass(c, OidPass::kPicture);
  EXPECT_EQ(run.HangUpOnRefusal, 1u);
  EXPECT_EQ(run.ScrollToAccept, 0u) << "every pass that reaches the agreement block sets it";
  c.hangUpOnRefusal = false;
  Pass(c, OidPass::kStaging);
  EXPECT_EQ(run.HangUpOnRefusal, 0u);
}

TEST_F(PassTest, EmptyStream) {
  for (OidPass pass : {OidPass::kPicture, OidPass::kInteractive, OidPass::kStaging})
    EXPECT_EQ(Pass(Bytes{}, pass), 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(Copies(), 0);
}

// A stream cut at every byte offset: no pass reads past its end (ASan
// watches each exact-size block), nothing is done with a field not read
// whole, and the interactive pass answers by where the cut fell.
TEST_F(PassTest, StreamCutAtEveryOffset) {
  KitConfiguration c = testkit::FullConfiguration();
  const Bytes full = testkit::PlainStream(c);
  const config::DecodeResult layout = config::DecodeConfiguration(full);
  ASSERT_TRUE(layout.complete) << layout.error;
  const auto& at = layout.fieldOffset;
  auto lengthOf = [&](int field) { return at[field + 1] - at[field]; };

  for (size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    Bytes prefix(full.begin(), full.begin() + cut);
    fake.events.clear();
    shown.clear();
    run.HangUpOnRefusal = 0;
    run.ProfileFromConfig = 1;
    options.prof.Assign("prof=before");

    int result = Pass(prefix, OidPass::kInteractive);
    bool agreementFlagWhole = cut >= at[23] + 4;
    bool agreementWhole = cut >= at[27];
    if (!agreementFlagWhole) {
      EXPECT_EQ(result, 1) << "no agreement flag: no agreement";
    } else {
      EXPECT_EQ(result, agreementWhole ? 1 : 0);
    }
    EXPECT_EQ(shown.size(), agreementWhole ? 1u : 0u);
    EXPECT_EQ(run.HangUpOnRefusal, cut >= at[19] + 4 ? 1u : 0u);
    EXPECT_EQ(std::string(options.prof.Get()),
              cut >= at[6] + lengthOf(6) ? "prof=Full Profile" : "prof=before");

    for (OidPass pass : {OidPass::kStaging, OidPass::kPicture}) {
      fake.events.clear();
      EXPECT_EQ(Pass(prefix, pass), 1);
      EXPECT_LE(stoppedAt, cut);
      EXPECT_EQ(Copies(), cut >= at[48] ? 1 : 0) << "field 47 is copied only when read whole";
    }
  }
}

// --- the staging pass ---------------------------------------------------------------

class StagingPassTest : public PassTest {
 protected:
  void HoldPackage(const KitConfiguration& c, bool scrambledByStaging) {
    Bytes plain = testkit::PlainStream(c);
    run.packageStream.Release();
    run.packageStream.Append(plain.data(), static_cast<u32>(plain.size()));
    if (scrambledByStaging) ASSERT_TRUE(ScrambleOid(run.packageStream, 32, true));
    run.packageStreamScrambled = scrambledByStaging;
    run.ConfigSource = kConfigFromPackage;
  }

  KitConfiguration Named(const std::string& profileName) {
    KitConfiguration c = testkit::SampleConfiguration();
    c.profileName = profileName;
    return c;
  }
};

TEST_F(StagingPassTest, HeldPackageStreamIsReadPlain) {
  for (bool scrambled : {true, false}) {
    SCOPED_TRACE(scrambled ? "staging scrambled it" : "staging left it plain");
    HoldPackage(Named("Package Profile"), scrambled);
    run.ProfileFromConfig = 1;
    options.prof.Assign("prof=setup");
    RunStagingPass(run);
    EXPECT_STREQ(options.prof.Get(), "prof=Package Profile");
    EXPECT_FALSE(run.packageStreamScrambled);
    EXPECT_TRUE(shown.empty());
  }
}

TEST_F(StagingPassTest, ConfigurationFileIsNamedByTheTextAfterTheFirstEquals) {
  fake.AddFile("C:\\KIT\\a=b.oid", testkit::OidFile(Named("First")));
  fake.AddFile("C:\\KIT\\b.oid", testkit::OidFile(Named("Last")));
  run.ConfigSource = kConfigFromFile;
  run.ProfileFromConfig = 1;
  options.file.Assign("file=a=b");
  RunStagingPass(run);
  EXPECT_STREQ(options.prof.Get(), "prof=First");
  EXPECT_EQ(fake.openFiles, 0);
}

TEST_F(StagingPassTest, MissingConfigurationFileLeavesProfAsStagingSetIt) {
  run.ConfigSource = kConfigFromFile;
  run.ProfileFromConfig = 1;
  options.file.Assign("file=missing");
  options.prof.Assign("prof=missing");
  RunStagingPass(run);
  EXPECT_STREQ(options.prof.Get(), "prof=missing");
}

TEST_F(StagingPassTest, CarriesOutTheCopyInstruction) {
  HoldPackage(testkit::FullConfiguration(), true);
  RunStagingPass(run);
  EXPECT_EQ(Copies(), 1);
}

}  // namespace
}  // namespace kit
