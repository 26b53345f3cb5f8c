// Hanging up the dial-up connection on a refusal, against the fake
// Remote Access Service.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "agreement/hang_up.h"
#include "launcher/run_state.h"
#include "platform/fake/fake_platform.h"

namespace kit {
namespace {

using Calls = std::vector<std::string>;

// Remembers what the launcher handed to the enumeration, and can make the
// service answer as a faulty one would.
class RecordingFake : public FakePlatform {
 public:
  u32 RasEnumConnections(const char* libraryPath, void* entries, u32* size, u32* count) override {
    std::memcpy(&seenDwSize, entries, sizeof seenDwSize);
    seenSize = *size;
    seenCount = *count;
    u32 result = FakePlatform::RasEnumConnections(libraryPath, entries, size, count);
    if (overstateCount && result == 0) *count = 3;
    return result;
  }
  u32 seenDwSize = 0, seenSize = 0, seenCount = 99;
  bool overstateCount = false;
};

class HangUpTest : public ::testing::Test {
 protected:
  HangUpTest() : run(fake) { run.HangUpOnRefusal = 1; }
  RecordingFake fake;
  RunState run;
  const std::string library = "C:\\WINDOWS\\SYSTEM\\Rasapi32.dll";
  void* const line = reinterpret_cast<void*>(0x4321);
};

TEST_F(HangUpTest, FlagClearLoadsNoLibrary) {
  run.HangUpOnRefusal = 0;
  fake.rasConnections = {line};
  HangUpOpenConnections(run);
  EXPECT_TRUE(fake.rasCalls.empty());
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

TEST_F(HangUpTest, NoOpenConnectionMeansNoHangUpAndNoWait) {
  HangUpOpenConnections(run);
  EXPECT_EQ(fake.rasCalls, Calls{"enum " + library});
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

TEST_F(HangUpTest, OneConnectionIsHungUpThenTheLineGetsThreeSeconds) {
  fake.rasConnections = {line};
  HangUpOpenConnections(run);
  EXPECT_EQ(fake.rasCalls, (Calls{"enum " + library, "hangup " + library + " 17185"}));
  EXPECT_EQ(fake.events, (Calls{"ras enum", "ras hangup", "sleep 3000"}));
  // One entry of the system's own layout, handed over zero-filled.
  EXPECT_EQ(fake.seenDwSize, sizeof(RasConnectionEntry));
  EXPECT_EQ(fake.seenSize, sizeof(RasConnectionEntry));
  EXPECT_EQ(fake.seenCount, 0u);
  EXPECT_EQ(sizeof(RasConnectionEntry), sizeof(void*) == 4 ? 412u : 424u);
}

TEST_F(HangUpTest, TwoConnectionsOverflowTheOneEntryAndNothingIsHungUp) {
  fake.rasConnections = {line, reinterpret_cast<void*>(0x99)};
  HangUpOpenConnections(run);
  EXPECT_EQ(fake.rasCalls, Calls{"enum " + library});
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

TEST_F(HangUpTest, MissingLibraryMeansNothingAndNoWait) {
  fake.rasLibraryPresent = false;
  fake.rasConnections = {line};
  HangUpOpenConnections(run);
  EXPECT_EQ(fake.rasCalls, Calls{"enum " + library});
  EXPECT_EQ(fake.sleptMilliseconds, 0u);
}

TEST_F(HangUpTest, ACountBeyondTheBufferHangsUpOnlyTheEntryInIt) {
  fake.rasConnections = {line};
  fake.overstateCount = true;
  HangUpOpenConnections(run);
  EXPECT_EQ(fake.rasCalls, (Calls{"enum " + library, "hangup " + library + " 17185"}));
  EXPECT_EQ(fake.sleptMilliseconds, 3000u);
}

TEST_F(HangUpTest, LibraryPathMustFitIn250Bytes) {
  fake.rasConnections = {line};
  // 236 characters + "\Rasapi32.dll" (13) + the terminating zero = 250.
  std::string fits = "C:\\" + std::string(233, 'S');
  fake.systemFolder = fits;
  HangUpOpenConnections(run);
  ASSERT_EQ(fake.rasCalls.size(), 2u);
  EXPECT_EQ(fake.rasCalls[0], "enum " + fits + "\\Rasapi32.dll");

  fake.rasCalls.clear();
  fake.sleptMilliseconds = 0;
  fake.systemFolder = fits + "S";
  HangUpOpenConnections(run);
  EXPECT_TRUE(fake.rasCalls.empty()) << "no library call with a cut path";
  EXPECT_EQ(fake.sleptMilliseconds, 0u);

  EXPECT_EQ(CallRasHangUp(fake, line), 1u);
  RasConnectionEntry entry = {};
  u32 size = sizeof entry, count = 0;
  EXPECT_EQ(CallRasEnumConnections(fake, &entry, &size, &count), 1u);
  EXPECT_TRUE(fake.rasCalls.empty());
}

}  // namespace
}  // namespace kit
