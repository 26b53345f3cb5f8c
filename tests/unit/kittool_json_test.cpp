// The JSON form of a configuration: 8-bit texts, the names, the agreement
// text file, the picture, and every mistake that must not pass silently.
#include <nlohmann/json.hpp>

#include "kittool/base64.h"
#include "kittool/config_json.h"
#include "kittool/latin1.h"
#include "kittool/tool_error.h"
#include "tests/unit/kittool_fixture.h"

namespace kittool::testing {
namespace {

namespace testkit = kit::testkit;
using nlohmann::json;

TEST(KittoolLatin1, EveryByteSurvivesAndOnlyBytesAreAccepted) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  std::string utf8 = Latin1ToUtf8(every);
  EXPECT_EQ(json::parse(json(utf8).dump()).get<std::string>(), utf8) << "valid UTF-8 for JSON";
  EXPECT_EQ(Utf8ToLatin1(utf8, "t"), every);

  struct Refused {
    const char* utf8;
    const char* message;
  };
  for (const Refused& r : {Refused{"\xE2\x82\xAC", "U+20AC"},  // the euro sign
                           Refused{"a\xF0\x9F\x98\x80", "U+1F600"},
                           Refused{"\xC3", "not UTF-8 at byte 0"},        // cut short
                           Refused{"ab\xC0\x80", "not UTF-8 at byte 2"},  // overlong
                           Refused{"\xED\xA0\x80", "not UTF-8"},          // a surrogate
                           Refused{"\xFF", "not UTF-8"}}) {
    try {
      Utf8ToLatin1(r.utf8, "field2");
      ADD_FAILURE() << "accepted " << r.message;
    } catch (const ToolError& e) {
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("field2: ", 0), 0u) << e.what();
    }
  }
}

TEST(KittoolBase64, RoundTripsEveryLengthAndRefusesDamage) {
  for (size_t n = 0; n < 7; ++n) {
    Bytes bytes;
    for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(0xFA + i * 3));
    EXPECT_TRUE(DecodeBase64(EncodeBase64(bytes), "p") == bytes) << n;
  }
  EXPECT_EQ(EncodeBase64({'M', 'a'}), "TWE=");
  for (const char* bad : {"TWE", "TW=E", "T===", "TWE=TWE=", "TW E"})
    EXPECT_THROW(DecodeBase64(bad, "p"), ToolError) << bad;
}

TEST(KittoolFieldNames, ReadableWhereKnownNumberedElsewhere) {
  EXPECT_EQ(FieldName(6), "profileName");
  EXPECT_EQ(FieldName(2), "field2");
  EXPECT_EQ(FieldName(31), "field31");
  for (int field = 1; field <= 57; ++field) EXPECT_EQ(FieldNumber(FieldName(field)), field);
  for (const char* none : {"field6", "field0", "field58", "field05", "fieldx", "Version", ""})
    EXPECT_EQ(FieldNumber(none), 0) << none;
}

TEST(KittoolAgreementFile, LineEndsBecomeCrLfAndTheFinalOneIsDropped) {
  struct Case {
    std::string file, stored;
  };
  for (const Case& c : {Case{"a\nb\n", "a\r\nb"}, Case{"a\r\nb\r\n", "a\r\nb"},
                        Case{"a\rb", "a\r\nb"}, Case{"a\n\n", "a\r\n"}, Case{"", ""},
                        Case{"\xEF\xBB\xBF"
                             "caf\xC3\xA9\n",
                             "caf\xE9"},
                        Case{"one\r\n\r\ntwo", "one\r\n\r\ntwo"}})
    EXPECT_EQ(AgreementTextFromFile(c.file, "agreement.txt"), c.stored) << c.file;
  EXPECT_THROW(AgreementTextFromFile("caf\xE9", "agreement.txt"), ToolError)
      << "a file in another code page is refused, not guessed at";
}

class KittoolEncode : public KittoolTest {
 protected:
  void SetUp() override {
    KittoolTest::SetUp();
    Write("p.bmp", testkit::MakeBitmap(8, 4, 8));
  }

  ToolRun Encode(const std::string& jsonText) {
    return Kittool({"encode", Write("kit.json", jsonText), "-o", Path("kit.oid")});
  }

  // Decoded back, as a JSON value.
  json Decoded() { return json::parse(Kittool({"decode", Path("kit.oid")}).out); }
};

// Everything that would be lost, changed or misread is refused, and no
// output is left behind.
TEST_F(KittoolEncode, MistakesAreRefusedWithTheirNames) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {R"({"profilname": "x", "picture": "p.bmp"})", "profilname: not a name kittool knows"},
      {R"({"field6": "x", "picture": "p.bmp"})", "field6: not a name kittool knows"},
      {R"({"field15": "x", "picture": "p.bmp"})",
       "field15 is given, but desktopShortcut is false, so the stream has no field 15"},
      {R"({"copyInstruction": "YES", "copyFile": "a", "picture": "p.bmp"})",
       "copyFile is given, but copyInstruction is not \"yes\""},
      {R"({"agreementText": "x", "picture": "p.bmp"})", "agreement is false"},
      {R"({"agreementTextFile": "a.txt", "picture": "p.bmp"})", "agreement is false"},
      {R"({"field31": 1, "picture": "p.bmp"})", "field30 is false"},
      {R"({"profileName": 5, "picture": "p.bmp"})", "profileName: expected a text"},
      {R"({"agreement": "yes", "picture": "p.bmp"})", "agreement: expected true or false"},
      {R"({"field30": true, "field31": -1, "picture": "p.bmp"})", "field31: expected a whole"},
      {R"({"field30": true, "field31": 4294967296, "picture": "p.bmp"})", "field31: expected"},
      {R"({"field30": true, "field31": 1.5, "picture": "p.bmp"})", "field31: expected"},
      {R"({"version": "1"})", "picture: missing"},
      {R"({"picture": "absent.bmp"})", "absent.bmp: cannot be read"},
      {R"({"picture": {"base64": "Qk0"}})", "picture: Base64 text"},
      {R"({"picture": {"base64": "Qk0AAA=="}})", "the launcher would refuse it"},
      {R"({"picture": 3})", "picture: expected a BMP file's path"},
      {R"({"profileName": "\u20ac", "picture": "p.bmp"})", "profileName: the character U+20AC"},
      {R"({"agreement": true, "agreementText": "a", "agreementTextFile": "a.txt",
           "picture": "p.bmp"})",
       "both given"},
      {R"({"escapedLengths": ["field15"], "picture": "p.bmp"})",
       "\"field15\" is not a text of this configuration"},
      {R"({"escapedLengths": "version", "picture": "p.bmp"})", "escapedLengths: expected a list"},
      {R"({"extraBytes": "abc", "picture": "p.bmp"})", "extraBytes: an odd number"},
      {R"({"extraBytes": "zz", "picture": "p.bmp"})", "extraBytes: not hex"},
      {R"({"trailer": "yes", "picture": "p.bmp"})", "trailer: expected"},
      {R"(["picture"])", "expected a JSON object"},
      {"{\n  \"version\": \"1\",\n}", "not valid JSON"},
      {"{\"version\": \"\xC3\"}", "not valid JSON"},
  };
  for (const Case& c : cases) {
    ToolRun run = Encode(c.json);
    EXPECT_EQ(run.code, 1) << c.json;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.json << "\n" << run.err;
    EXPECT_FALSE(fs::exists(Path("kit.oid"))) << c.json;
  }
}

TEST_F(KittoolEncode, ATextLongerThanItsLengthCanSayIsRefused) {
  json config = {{"version", std::string(65536, 'v')}, {"picture", "p.bmp"}};
  ToolRun run = Encode(config.dump());
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("version: 65536 bytes; a stored text holds at most 65,535"),
            std::string::npos)
      << run.err;
}

TEST_F(KittoolEncode, MissingFieldsAreEmptyAndCommentsAreIgnored) {
  ToolRun run = Encode(R"({"_about": "demo", "picture": "p.bmp"})");
  ASSERT_EQ(run.code, 0) << run.err;
  json decoded = Decoded();
  EXPECT_EQ(decoded["version"], "");
  EXPECT_EQ(decoded["agreement"], false);
  EXPECT_FALSE(decoded.contains("_about"));
}

TEST_F(KittoolEncode, TheAgreementTextComesFromItsFileBesideTheJson) {
  Write("terms/agreement.txt", "Line one\nLine two\n");
  ToolRun run = Encode(R"({"agreement": true, "agreementTextFile": "terms/agreement.txt",
                           "picture": "p.bmp"})");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Decoded()["agreementText"], "Line one\r\nLine two");
}

TEST_F(KittoolEncode, WhatTheLauncherWouldReadDifferentlyIsNoted) {
  ToolRun run = Encode(R"({"agreement": true, "agreementText": "a\nb",
                           "copyInstruction": "Yes", "picture": "p.bmp"})");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("line ends without CR"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("copyInstruction \"Yes\" is not exactly \"yes\""), std::string::npos);
}

// Bytes behind the pixel data would be read as whatever comes next, so only
// what the launcher's loader takes is stored.
TEST_F(KittoolEncode, APictureIsStoredAsFarAsTheLauncherReadsIt) {
  Bytes bmp = testkit::MakeBitmap(8, 4, 8);
  Bytes padded = bmp;
  padded.push_back(0);
  padded.push_back(0);
  Write("padded.bmp", padded);
  ToolRun run = Encode(R"({"picture": "padded.bmp"})");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("2 bytes after the pixel data are left out"), std::string::npos);
  ASSERT_EQ(Kittool({"decode", Path("kit.oid"), "--picture", Path("back.bmp")}).code, 0);
  EXPECT_TRUE(Read("back.bmp") == bmp);
}

}  // namespace
}  // namespace kittool::testing
