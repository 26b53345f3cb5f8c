// decode then encode gives back every stored stream kittool writes, byte for
// byte, whichever way the picture travels and wherever the stream is kept.
#include <functional>

#include "config/package_search.h"
#include "config/writer/config_writer.h"
#include "kittool/stored_config.h"
#include "tests/unit/kittool_fixture.h"

namespace kittool::testing {
namespace {

using kit::config::KitConfiguration;
using kit::config::Text;
namespace testkit = kit::testkit;

struct RoundTripCase {
  const char* name;
  std::function<void(ConfigDocument&)> change;
};

ConfigDocument Sample() {
  ConfigDocument document;
  document.config = testkit::SampleConfiguration();
  return document;
}

std::string EveryByte() {
  std::string text;
  for (int b = 0; b < 256; ++b) text.push_back(static_cast<char>(b));
  return text;
}

// Each conditional block alone, all of them off, and the texts, numbers and
// pictures whose stored form is easy to get wrong.
const RoundTripCase kCases[] = {
    {"sample", [](ConfigDocument&) {}},
    {"full", [](ConfigDocument& d) { d.config = testkit::FullConfiguration(); }},
    {"every_block_off",
     [](ConfigDocument& d) {
       d.config.desktopShortcut = d.config.flag17 = d.config.hasAgreement = false;
       d.config.flag27 = d.config.flag30 = d.config.flag35 = false;
       d.config.copyInstruction = "no";
     }},
    {"desktop_shortcut",
     [](ConfigDocument& d) {
       d.config.desktopShortcut = true;
       d.config.shortcutText = "Harbourline";
     }},
    {"field17_block",
     [](ConfigDocument& d) {
       d.config.flag17 = true;
       d.config.text18 = "eighteen";
     }},
    {"agreement_without_scrolling",
     [](ConfigDocument& d) {
       d.config.scrollToAccept = false;
       d.config.agreementText = "Short.";
     }},
    {"field27_block",
     [](ConfigDocument& d) {
       d.config.flag27 = true;
       d.config.text28 = "28";
       d.config.text29 = "";
     }},
    {"field30_block",
     [](ConfigDocument& d) {
       d.config.flag30 = true;
       d.config.number31 = 0xFFFFFFFFu;
       d.config.text32 = "32";
     }},
    {"field35_block",
     [](ConfigDocument& d) {
       d.config.flag35 = true;
       d.config.number36 = 1;
       d.config.text38 = "38";
     }},
    {"copy_instruction",
     [](ConfigDocument& d) {
       d.config.copyInstruction = "yes";
       d.config.copyFile = "sub\\notes.txt";
     }},
    {"copy_instruction_with_zero_byte",
     [](ConfigDocument& d) {
       d.config.copyInstruction = Text(std::string("yes\0junk", 8));
       d.config.copyFile = "notes.txt";
     }},
    {"escaped_short_texts",
     [](ConfigDocument& d) {
       d.config.version = Text("5.0", true);
       d.config.text2 = Text("", true);
       d.config.agreementCaption = Text("Caption", true);
     }},
    {"length_limits",
     [](ConfigDocument& d) {
       d.config.text2 = std::string(254, 'a');  // the longest one-byte length
       d.config.text3 = std::string(255, 'b');  // the shortest escaped one
       d.config.text7 = std::string(0xFFFF, 'c');
     }},
    {"blank_texts",
     [](ConfigDocument& d) {
       d.config.profileName = "blank";
       d.config.agreementCaption = "Blank";
       d.config.text10 = "blanks";
     }},
    {"every_byte_value",
     [](ConfigDocument& d) {
       d.config.text2 = EveryByte();
       d.config.agreementText = "caf\xE9\r\n\x80\x9F\xFF";
     }},
    {"one_bit_picture", [](ConfigDocument& d) { d.config.picture = testkit::MakeBitmap(9, 5, 1); }},
    {"four_bit_picture",
     [](ConfigDocument& d) { d.config.picture = testkit::MakeBitmap(85, 3, 4); }},
    {"true_colour_picture",
     [](ConfigDocument& d) { d.config.picture = testkit::MakeBitmap(7, 4, 24); }},
    {"picture_with_size_image",
     [](ConfigDocument& d) {
       Bytes bmp = testkit::MakeBitmap(4, 4, 8);
       uint32_t size = 16;
       for (int i = 0; i < 4; ++i) bmp[34 + i] = static_cast<uint8_t>(size >> (8 * i));
       d.config.picture = bmp;
     }},
    {"no_trailer", [](ConfigDocument& d) { d.trailer = false; }},
    {"extra_bytes_and_trailer",
     [](ConfigDocument& d) {
       d.extraBytes = {0, 1, 0xFF, '$'};
     }},
    {"extra_bytes_without_trailer",
     [](ConfigDocument& d) {
       d.extraBytes = Bytes(45, 'Z');
       d.trailer = false;
     }},
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class KittoolRoundTrip : public KittoolTest, public ::testing::WithParamInterface<RoundTripCase> {
 protected:
  // The stored form, as `encode` would write it.
  Bytes Stored() {
    ConfigDocument document = Sample();
    GetParam().change(document);
    return StoredStreamOf(document);
  }

  void ExpectEncodeGives(const std::string& json, const Bytes& expected) {
    ToolRun encode = Kittool({"encode", json, "-o", Path("again.oid")});
    ASSERT_EQ(encode.code, 0) << encode.err;
    EXPECT_TRUE(Read("again.oid") == expected) << "encode did not give the stream back";
  }
};

TEST_P(KittoolRoundTrip, OidFileWithThePictureBesideTheJson) {
  Bytes stored = Stored();
  ToolRun decode = Kittool({"decode", Write("kit.oid", stored), "-o", Path("kit.json")});
  ASSERT_EQ(decode.code, 0) << decode.err;
  EXPECT_EQ(decode.err, "") << "a stream kittool wrote decodes without notes";
  EXPECT_TRUE(fs::exists(Path("kit.bmp")));
  ExpectEncodeGives(Path("kit.json"), stored);
}

TEST_P(KittoolRoundTrip, OidFileWithThePictureEmbedded) {
  Bytes stored = Stored();
  ToolRun decode = Kittool({"decode", Write("kit.oid", stored)});
  ASSERT_EQ(decode.code, 0) << decode.err;
  ExpectEncodeGives(Write("elsewhere/kit.json", decode.out), stored);
}

TEST_P(KittoolRoundTrip, PackageInAnExecutable) {
  Bytes stored = Stored();
  Bytes executable = testkit::FakePeImage(0x800, 0x41);
  Bytes marker = testkit::PackageMarker();
  executable.insert(executable.end(), marker.begin(), marker.end());
  executable.insert(executable.end(), stored.begin(), stored.end());
  fs::create_directories(dir / "pictures");
  ToolRun decode = Kittool({"decode", Write("setup.exe", executable), "-o", Path("kit.json"),
                            "--picture", Path("pictures/splash.bmp")});
  ASSERT_EQ(decode.code, 0) << decode.err;
  ExpectEncodeGives(Path("kit.json"), stored);
}

INSTANTIATE_TEST_SUITE_P(Kittool, KittoolRoundTrip, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RoundTripCase>& info) {
                           return std::string(info.param.name);
                         });

// The test suite's own fixtures, stored as the kit builder stores them.
TEST_F(KittoolTest, RoundTripOfTheKitBuilderFixtures) {
  for (const KitConfiguration& config :
       {testkit::SampleConfiguration(), testkit::FullConfiguration()}) {
    Bytes stored = testkit::OidFile(config);
    ASSERT_EQ(Kittool({"decode", Write("f.oid", stored), "-o", Path("f.json")}).code, 0);
    ASSERT_EQ(Kittool({"encode", Path("f.json"), "-o", Path("g.oid")}).code, 0);
    EXPECT_TRUE(Read("g.oid") == stored);
  }
}

}  // namespace
}  // namespace kittool::testing
