// kittool decode: where a damaged stream breaks, where a package is looked
// for, and where the picture goes.
#include <nlohmann/json.hpp>
#include <regex>

#include "config/writer/config_decoder.h"
#include "config/writer/config_writer.h"
#include "tests/unit/kittool_fixture.h"

namespace kittool::testing {
namespace {

namespace testkit = kit::testkit;
using kit::config::DecodeResult;
using nlohmann::json;

Bytes Prefix(const Bytes& bytes, size_t length) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length));
}

// The field a stream cut at `length` breaks in: the last one that starts at
// or before the cut.
int FieldCutAt(const DecodeResult& whole, size_t length) {
  int field = 0;
  for (int f = 1; f <= 57; ++f)
    if (whole.fieldOffset[f] != DecodeResult::kAbsent && whole.fieldOffset[f] <= length) field = f;
  return field;
}

class KittoolDecode : public KittoolTest {};

// A plain stream cut anywhere, stored so that it descrambles to exactly the
// cut bytes: the message names the field that runs out and where it starts.
TEST_F(KittoolDecode, AStreamCutAnywhereNamesTheFieldAndItsOffset) {
  for (const kit::config::KitConfiguration& config :
       {testkit::SampleConfiguration(), testkit::FullConfiguration()}) {
    Bytes plain = testkit::PlainStream(config);
    DecodeResult whole = kit::config::DecodeConfiguration(plain);
    ASSERT_TRUE(whole.complete);
    for (size_t length = 0; length < plain.size(); ++length) {
      std::string file =
          Write("cut.oid", kit::config::ScrambleForStorage(Prefix(plain, length), false));
      ToolRun run = Kittool({"decode", file, "-o", Path("cut.json")});
      int field = FieldCutAt(whole, length);
      std::string expected = "breaks at field " + std::to_string(field) + " (";
      std::string at = ") at byte " + std::to_string(whole.fieldOffset[field]) + ":";
      ASSERT_EQ(run.code, 1) << "cut at " << length;
      ASSERT_NE(run.err.find(expected), std::string::npos)
          << "cut at " << length << ": " << run.err;
      ASSERT_NE(run.err.find(at), std::string::npos) << "cut at " << length << ": " << run.err;
      ASSERT_FALSE(fs::exists(Path("cut.json")));
      ASSERT_FALSE(fs::exists(Path("cut.bmp")));
    }
  }
}

// The file as a kit holds it, cut anywhere: the last, incomplete block stays
// scrambled, so what breaks may be garbage, but it is always reported with a
// field and an offset; a cut inside the trailer loses no field, and the
// cut file still comes back byte for byte.
TEST_F(KittoolDecode, AStoredFileCutAnywhereFailsCleanlyOrComesBackWhole) {
  Bytes stored = testkit::OidFile(testkit::FullConfiguration());
  size_t fieldsEnd = testkit::PlainStream(testkit::FullConfiguration()).size();
  const std::regex named("breaks at field [0-9]+ \\([a-zA-Z0-9]+\\) at byte [0-9]+: ");
  for (size_t length = 0; length < stored.size(); ++length) {
    ToolRun run =
        Kittool({"decode", Write("cut.oid", Prefix(stored, length)), "-o", Path("cut.json")});
    if (length < fieldsEnd) {
      ASSERT_EQ(run.code, 1) << "cut at " << length;
      ASSERT_TRUE(std::regex_search(run.err, named)) << "cut at " << length << ": " << run.err;
      continue;
    }
    ASSERT_EQ(run.code, 0) << "cut at " << length << ": " << run.err;
    ASSERT_EQ(Kittool({"encode", Path("cut.json"), "-o", Path("again.oid")}).code, 0);
    ASSERT_TRUE(Read("again.oid") == Prefix(stored, length)) << "cut at " << length;
  }
}

TEST_F(KittoolDecode, APackageIsSearchedFromTheEndOfTheImageOnly) {
  Bytes marker = testkit::PackageMarker();
  Bytes image = testkit::FakePeImage(0x1000);
  // A marker inside the image, before the search start, is never found.
  std::copy(marker.begin(), marker.end(), image.begin() + 0x600);
  ToolRun bare = Kittool({"decode", Write("bare.exe", image)});
  EXPECT_EQ(bare.code, 1);
  EXPECT_NE(bare.err.find("no marker at or after byte 4096"), std::string::npos) << bare.err;

  Bytes withPackage = testkit::WithPackage(image, testkit::SampleConfiguration());
  ToolRun packed = Kittool({"decode", Write("setup.exe", withPackage), "-o", Path("kit.json")});
  ASSERT_EQ(packed.code, 0) << packed.err;
  EXPECT_NE(packed.out.find("the marker at byte 4096"), std::string::npos) << packed.out;
  EXPECT_EQ(json::parse(ReadText("kit.json"))["profileName"], "Acme Dial-Up");
}

TEST_F(KittoolDecode, ABreakInsideAPackageGivesTheFileOffsetToo) {
  Bytes plain = testkit::PlainStream(testkit::SampleConfiguration());
  Bytes image = testkit::FakePeImage(0x1000);
  Bytes marker = testkit::PackageMarker();
  image.insert(image.end(), marker.begin(), marker.end());
  Bytes stored = kit::config::ScrambleForStorage(Prefix(plain, 5), false);
  image.insert(image.end(), stored.begin(), stored.end());
  ToolRun run = Kittool({"decode", Write("setup.exe", image)});
  EXPECT_EQ(run.code, 1);
  // "5.0" and an empty text take bytes 0 to 4; field 3 starts at byte 5 of
  // the stream, 4096 + 10 + 5 of the file.
  EXPECT_NE(run.err.find("field 3 (field3) at byte 5 of the configuration (byte 4111 of the file)"),
            std::string::npos)
      << run.err;
}

// A flag stored as 80 00 00 00 reads as true; kittool writes 01 00 00 00
// and says so rather than pretend the JSON reproduces the stream.
TEST_F(KittoolDecode, AFlagKittoolWouldWriteOtherwiseIsPointedOut) {
  kit::config::KitConfiguration config = testkit::SampleConfiguration();
  config.flag4 = true;
  Bytes plain = testkit::PlainStream(config);
  DecodeResult whole = kit::config::DecodeConfiguration(plain);
  plain[whole.fieldOffset[4]] = 0x80;
  ToolRun run = Kittool({"decode", Write("odd.oid", kit::config::ScrambleForStorage(plain))});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("field 4, field4"), std::string::npos) << run.err;
  EXPECT_EQ(json::parse(run.out)["field4"], true);
}

TEST_F(KittoolDecode, ThePictureGoesWhereTheRulesSay) {
  Bytes picture = testkit::SampleConfiguration().picture;
  std::string oid = Write("kit.oid", testkit::OidFile(testkit::SampleConfiguration()));

  // Beside the JSON, named after it.
  ASSERT_EQ(Kittool({"decode", oid, "-o", Path("out/kit.json")}).code, 1)
      << "a folder that does not exist is not made";
  fs::create_directories(dir / "out");
  ASSERT_EQ(Kittool({"decode", oid, "-o", Path("out/kit.json")}).code, 0);
  EXPECT_EQ(json::parse(ReadText("out/kit.json"))["picture"], "kit.bmp");
  EXPECT_TRUE(Read("out/kit.bmp") == picture);

  // --picture, named relative to the JSON's folder.
  fs::create_directories(dir / "art");
  ASSERT_EQ(
      Kittool({"decode", oid, "-o", Path("out/kit.json"), "--picture", Path("art/p.bmp")}).code, 0);
  EXPECT_EQ(json::parse(ReadText("out/kit.json"))["picture"], "../art/p.bmp");
  EXPECT_TRUE(Read("art/p.bmp") == picture);

  // On standard output without --picture: embedded; or forced.
  ToolRun embedded = Kittool({"decode", oid});
  EXPECT_TRUE(json::parse(embedded.out)["picture"].contains("base64"));
  ASSERT_EQ(Kittool({"decode", oid, "-o", Path("e.json"), "--embed-picture"}).code, 0);
  EXPECT_TRUE(json::parse(ReadText("e.json"))["picture"].contains("base64"));
  EXPECT_FALSE(fs::exists(Path("e.bmp")));

  // The picture may not take the JSON's place.
  ToolRun clash = Kittool({"decode", oid, "-o", Path("x.bmp")});
  EXPECT_EQ(clash.code, 1);
  EXPECT_FALSE(fs::exists(Path("x.bmp")));
}

TEST_F(KittoolDecode, TheTrailerIsReportedWithItsLength) {
  kit::config::KitConfiguration config = testkit::SampleConfiguration();
  Bytes plain = testkit::PlainStream(config);
  ToolRun with = Kittool({"decode", Write("a.oid", testkit::OidFile(config))});
  json trailer = json::parse(with.out)["trailer"];
  EXPECT_EQ(trailer["present"], true);
  EXPECT_EQ(trailer["length"], (plain.size() + 9) / 32 * 32 + 32 - plain.size());
  ToolRun without =
      Kittool({"decode", Write("b.oid", kit::config::ScrambleForStorage(plain, false))});
  EXPECT_EQ(json::parse(without.out)["trailer"], json({{"present", false}, {"length", 0}}));
}

}  // namespace
}  // namespace kittool::testing
