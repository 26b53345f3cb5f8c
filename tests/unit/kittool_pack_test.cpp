// kittool pack and kittool szdd.
#include <nlohmann/json.hpp>

#include "kittool/stored_config.h"
#include "szdd/szdd.h"
#include "tests/unit/kittool_fixture.h"

namespace kittool::testing {
namespace {

namespace testkit = kit::testkit;

class KittoolPack : public KittoolTest {
 protected:
  void SetUp() override {
    KittoolTest::SetUp();
    // The JSON of the sample configuration, as decode writes it.
    Write("sample.oid", testkit::OidFile(testkit::SampleConfiguration()));
    ASSERT_EQ(Kittool({"decode", Path("sample.oid"), "-o", Path("sample.json")}).code, 0);
  }

  ToolRun Pack(const Bytes& launcher) {
    return Kittool({"pack", "--launcher", Write("launcher.exe", launcher), "--config",
                    Path("sample.json"), "-o", Path("setup.exe")});
  }
};

TEST_F(KittoolPack, AppendsTheMarkerAndTheStoredConfiguration) {
  Bytes launcher = testkit::FakePeImage(0x1200, 0x90);
  ToolRun run = Pack(launcher);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Read("setup.exe") == testkit::WithPackage(launcher, testkit::SampleConfiguration()));
  EXPECT_NE(run.out.find("the marker at byte 4608"), std::string::npos) << run.out;
}

// Marker bytes inside the image lie before the search start: harmless.
TEST_F(KittoolPack, MarkerBytesInsideTheImageAreHarmless) {
  Bytes launcher = testkit::FakePeImage(0x1200);
  Bytes marker = testkit::PackageMarker();
  std::copy(marker.begin(), marker.end(), launcher.end() - 10);
  ASSERT_EQ(Pack(launcher).code, 0);
  ToolRun decode = Kittool({"decode", Path("setup.exe"), "-o", Path("back.json")});
  ASSERT_EQ(decode.code, 0) << decode.err;
  nlohmann::json back = nlohmann::json::parse(ReadText("back.json"));
  nlohmann::json sample = nlohmann::json::parse(ReadText("sample.json"));
  back.erase("picture");
  sample.erase("picture");
  EXPECT_EQ(back, sample);
  EXPECT_TRUE(Read("back.bmp") == Read("sample.bmp"));
}

TEST_F(KittoolPack, RefusesLaunchersItCannotPackSafely) {
  Bytes image = testkit::FakePeImage(0x1000);
  Bytes marker = testkit::PackageMarker();
  Bytes notPe = image;
  notPe[0x40] = 'X';  // "PE\0\0" spoilt
  Bytes cut(image.begin(), image.begin() + 0x900);
  Bytes overlay = image;  // data after the image holding the marker bytes
  for (const char* junk : {"signature ", "AABBCCDDEE", " more"})
    overlay.insert(overlay.end(), junk, junk + std::string(junk).size());
  struct Case {
    const char* name;
    Bytes launcher;
    const char* message;
  };
  const Case cases[] = {
      {"text", Bytes{'h', 'i'}, "not a Windows executable"},
      {"not_pe", notPe, "not a PE image"},
      {"cut", cut, "its sections end at byte 4096, beyond its 2304 bytes"},
      {"packed", testkit::WithPackage(image, testkit::FullConfiguration()),
       "already holds the marker at byte 4096"},
      {"marker_in_overlay", overlay, "already holds the marker at byte 4106"},
  };
  for (const Case& c : cases) {
    ToolRun run = Pack(c.launcher);
    EXPECT_EQ(run.code, 1) << c.name;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
    EXPECT_FALSE(fs::exists(Path("setup.exe"))) << c.name;
  }
}

TEST_F(KittoolTest, SzddCompressesAndExpandsWithTheProjectsCodec) {
  Bytes program;
  for (int i = 0; i < 20000; ++i) program.push_back(static_cast<uint8_t>((i * i) >> 5));
  ASSERT_EQ(Kittool({"szdd", "compress", Write("signup.exe", program), Path("signup.ex_")}).code,
            0);
  Bytes compressed = Read("signup.ex_");
  ASSERT_TRUE(kit::HasSzddSignature(compressed.data(), static_cast<uint32_t>(compressed.size())));
  EXPECT_EQ(compressed[9], 'e') << "the name's last character is kept in the header";
  ASSERT_EQ(Kittool({"szdd", "expand", Path("signup.ex_"), Path("back.exe")}).code, 0);
  EXPECT_TRUE(Read("back.exe") == program);
}

TEST_F(KittoolTest, SzddFailuresLeaveNoOutput) {
  Bytes program(5000, 'x');
  ASSERT_EQ(Kittool({"szdd", "compress", Write("a.exe", program), Path("a.ex_")}).code, 0);
  Bytes compressed = Read("a.ex_");
  Write("cut.ex_", Bytes(compressed.begin(), compressed.end() - 3));
  Write("kept.exe", std::string("earlier"));
  struct Case {
    std::string input, output, message;
  };
  for (const Case& c : {Case{Path("cut.ex_"), Path("kept.exe"), "ends before"},
                        Case{Path("a.exe"), Path("new.exe"), "SZDD"},
                        Case{Path("missing"), Path("new.exe"), "cannot be read"}}) {
    ToolRun run = Kittool({"szdd", "expand", c.input, c.output});
    EXPECT_EQ(run.code, 1) << c.input;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadText("kept.exe"), "earlier");
  EXPECT_FALSE(fs::exists(Path("new.exe")));
  for (const fs::directory_entry& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".kittool-"), std::string::npos)
        << "no temporary file is left: " << entry.path();
}

}  // namespace
}  // namespace kittool::testing
