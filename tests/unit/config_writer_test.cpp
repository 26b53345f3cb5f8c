// The configuration writer and decoder that the kit tool builds on.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "config/writer/config_decoder.h"
#include "config/writer/config_writer.h"
#include "tests/support/kit_builder.h"

namespace kit {
namespace {

using Bytes = std::vector<uint8_t>;
using config::DecodeResult;
using config::KitConfiguration;

TEST(ConfigWriterTest, DecodesBackToTheSameValuesAndBytes) {
  for (const KitConfiguration& c : {KitConfiguration(), testkit::SampleConfiguration(),
                                    testkit::FullConfiguration()}) {
    Bytes plain = testkit::PlainStream(c);
    DecodeResult decoded = config::DecodeConfiguration(plain);
    ASSERT_EQ(decoded.brokenField, c.picture.empty() ? 57 : 0) << decoded.error;
    EXPECT_EQ(decoded.end, plain.size());
    EXPECT_EQ(testkit::PlainStream(decoded.config), plain);
    EXPECT_EQ(decoded.config.profileName, c.profileName);
    EXPECT_EQ(decoded.config.agreementText, c.agreementText);
    EXPECT_EQ(decoded.config.number36, c.number36);
    EXPECT_EQ(decoded.config.picture, c.picture);
    EXPECT_EQ(decoded.config.text43.value.size(), c.text43.value.size());
  }
}

TEST(ConfigWriterTest, LengthForms) {
  struct Case {
    config::Text text;
    Bytes head;  // the length bytes written
  };
  const Case cases[] = {
      {"", {0}},
      {std::string(254, 'a'), {254}},
      {std::string(255, 'a'), {0xFF, 0xFF, 0x00}},
      {std::string(256, 'a'), {0xFF, 0x00, 0x01}},
      {std::string(65535, 'a'), {0xFF, 0xFF, 0xFF}},
      {config::Text("abc", true), {0xFF, 0x03, 0x00}},
  };
  for (const Case& c : cases) {
    KitConfiguration config;
    config.version = c.text;
    Bytes plain = testkit::PlainStream(config);
    EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), plain.begin()));
    EXPECT_EQ(config::DecodeConfiguration(plain).config.version, c.text);
  }
  KitConfiguration tooLong;
  tooLong.agreementText = std::string(65536, 'x');
  tooLong.hasAgreement = true;
  EXPECT_THROW(testkit::PlainStream(tooLong), std::length_error);
}

TEST(ConfigWriterTest, ConditionalFieldsAreWrittenOnlyWhenPresent) {
  KitConfiguration c;
  c.shortcutText = "ignored";
  c.copyFile = "ignored";
  c.number31 = 7;
  const size_t bare = testkit::PlainStream(c).size();
  EXPECT_EQ(bare, 22 * 1 + 20 * 4) << "22 empty texts and 20 flags are always there";
  c.copyInstruction = "yes";
  EXPECT_EQ(testkit::PlainStream(c).size(), bare + 3 + 1 + 7);  // "yes", then field 47
  c.copyInstruction = "YES";
  EXPECT_EQ(testkit::PlainStream(c).size(), bare + 3);
  c.flag30 = true;
  EXPECT_EQ(testkit::PlainStream(c).size(), bare + 3 + 4 + 2);
}

// A damaged stream: where it breaks, by field and byte offset.
TEST(ConfigWriterTest, DecoderSaysWhereAStreamBreaks) {
  KitConfiguration c = testkit::FullConfiguration();
  const Bytes full = testkit::PlainStream(c);
  const DecodeResult whole = config::DecodeConfiguration(full);
  ASSERT_TRUE(whole.complete);
  const auto& at = whole.fieldOffset;
  for (int field = 1; field <= 57; ++field) {
    if (at[field] == DecodeResult::kAbsent) continue;
    for (size_t extra : {size_t(0), size_t(1)}) {
      size_t cut = at[field] + extra;
      DecodeResult broken = config::DecodeConfiguration(full.data(), cut);
      EXPECT_FALSE(broken.complete);
      EXPECT_EQ(broken.brokenField, field) << "cut at " << cut;
      EXPECT_EQ(broken.brokenOffset, at[field]);
      EXPECT_EQ(broken.end, at[field]);
      EXPECT_NE(broken.error.find("field " + std::to_string(field)), std::string::npos)
          << broken.error;
    }
  }
  Bytes badPicture = full;
  badPicture[at[57] + 10] = 20;  // bfOffBits below the headers
  EXPECT_EQ(config::DecodeConfiguration(badPicture).brokenField, 57);
}

TEST(ConfigWriterTest, StoredFormsDescrambleToThePlainStream) {
  KitConfiguration c = testkit::SampleConfiguration();
  Bytes plain = testkit::PlainStream(c);
  Bytes stored = testkit::OidFile(c);
  EXPECT_EQ(stored.size() % 32, 0u);
  EXPECT_EQ(stored.size(), (plain.size() + 9) / 32 * 32 + 32);
  Bytes back = config::Descramble(stored);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), back.begin()));
  EXPECT_EQ(std::string(back.begin() + plain.size(), back.begin() + plain.size() + 9),
            "$extra=ZZ");
  DecodeResult decoded = config::DecodeConfiguration(back);
  EXPECT_TRUE(decoded.complete);
  EXPECT_EQ(decoded.end, plain.size()) << "the trailer lies behind the last field";
}

}  // namespace
}  // namespace kit
