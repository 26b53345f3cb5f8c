// Finding and loading the configuration: the configuration file's name, the
// package behind the marker in the launcher's own executable, and the end of
// a launch on a refusal.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "agreement/agreement_session.h"
#include "agreement/dib_image.h"
#include "config/load_configuration.h"
#include "config/package_search.h"
#include "config/writer/config_writer.h"
#include "launcher/launch_options.h"
#include "platform/fake/fake_platform.h"
#include "tests/support/kit_builder.h"

namespace kit {
namespace {

using Bytes = std::vector<uint8_t>;
using config::KitConfiguration;

// The fake Windows, counting the reads made on files.
class CountingPlatform : public FakePlatform {
 public:
  u32 ReadFile(FileHandle file, void* into, u32 count) override {
    ++reads;
    return FakePlatform::ReadFile(file, into, count);
  }
  int reads = 0;
};

KitConfiguration Captioned(const std::string& caption) {
  KitConfiguration c = testkit::SampleConfiguration();
  c.agreementCaption = caption;
  return c;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class LoadTest : public ::testing::Test {
 protected:
  LoadTest() : run(fake) {
    run.options = &options;
    run.SplashPicture = &picture;
    fake.customer = [this](AgreementSession& session) {
      captions.push_back(session.AgreementCaption);
      if (refuse) *session.AgreementRefused = 1;
    };
  }

  // The launcher's own executable: a PE image ending at `imageEnd`, then
  // `tail`.
  void SetExecutable(const Bytes& tail, uint32_t imageEnd = 0x1000) {
    fake.AddFile(fake.modulePath, Concat(testkit::FakePeImage(imageEnd), tail));
  }

  std::string Loaded() const { return captions.empty() ? "" : captions.back(); }
  bool HungUp() const { return !fake.rasCalls.empty(); }

  CountingPlatform fake;
  LaunchOptions options;
  DibImage picture{fake};
  RunState run;
  bool refuse = false;
  std::vector<std::string> captions;
};

// --- which configuration ---------------------------------------------------------

TEST_F(LoadTest, ConfigurationFileNames) {
  struct Case {
    const char* modulePath;
    const char* file;  // the file= option as typed
    const char* tried;
  };
  const Case cases[] = {
      {"C:\\KIT\\setup.exe", "", "C:\\KIT\\setup.oid"},
      {"C:\\KIT\\my.setup.exe", "", "C:\\KIT\\my.setup.oid"},
      {"C:\\my.kits\\setup", "", "C:\\my.oid"},  // the dot of the folder
      {"C:\\KIT\\setup.exe", "file=acme", "C:\\KIT\\acme.oid"},
      {"C:\\KIT\\setup.exe", "FILE=acme", "C:\\KIT\\acme.oid"},
      {"C:\\KIT\\setup.exe", "file=sub\\acme", "C:\\KIT\\sub\\acme.oid"},
      {"C:\\KIT\\setup.exe", "file=a=b", "C:\\KIT\\b.oid"},  // after the LAST '='
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.modulePath) + " " + c.file);
    CountingPlatform world;
    world.modulePath = c.modulePath;
    std::vector<std::string> shown;
    world.customer = [&](AgreementSession& s) { shown.push_back(s.AgreementCaption); };
    world.AddFile(c.tried, testkit::OidFile(Captioned(c.tried)));
    RunState state(world);
    LaunchOptions opts;
    opts.file.Assign(c.file);
    state.options = &opts;
    EXPECT_EQ(LoadConfiguration(state), 1);
    EXPECT_EQ(state.ConfigSource, kConfigFromFile);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], c.tried);
    EXPECT_EQ(world.openFiles, 0);
  }
}

TEST_F(LoadTest, FileBesideTheLauncherWinsOverThePackage) {
  fake.AddFile("C:\\KIT\\setup.oid", testkit::OidFile(Captioned("file")));
  SetExecutable(testkit::Package(Captioned("package")));
  EXPECT_EQ(LoadConfiguration(run), 1);
  EXPECT_EQ(Loaded(), "file");
  EXPECT_EQ(run.ConfigSource, kConfigFromFile);
  EXPECT_EQ(run.packageStream.Length(), 0u) << "the package is not searched";
}

TEST_F(LoadTest, PackageWhenNoFileCanBeRead) {
  struct Case {
    const char* name;
    const char* fileOption;
    bool besideReadable;
  };
  const Case cases[] = {
      {"file= names a file that is not there", "file=missing", true},
      {"the file is there but cannot be opened", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    captions.clear();
    run.packageStream.Release();
    options.file.Assign(c.fileOption);
    fake.AddFile("C:\\KIT\\setup.oid", testkit::OidFile(Captioned("file"))).readable =
        c.besideReadable;
    SetExecutable(testkit::Package(Captioned("package")));
    EXPECT_EQ(LoadConfiguration(run), 1);
    EXPECT_EQ(Loaded(), "package");
    EXPECT_EQ(run.ConfigSource, kConfigFromPackage);
  }
}

// Without file= and without any '.' in its path, no configuration file can
// be named: the launcher goes straight to its package.
TEST_F(LoadTest, ModulePathWithoutADotUsesThePackage) {
  fake.modulePath = "C:\\KIT\\setup";
  fake.AddFile("C:\\KIT\\setup.oid", testkit::OidFile(Captioned("file")));
  fake.AddFile("C:\\KIT\\setupoid", testkit::OidFile(Captioned("file")));
  SetExecutable(testkit::Package(Captioned("package")));
  EXPECT_EQ(LoadConfiguration(run), 1);
  EXPECT_EQ(Loaded(), "package");
}

TEST_F(LoadTest, HeldPackageStreamIsThePlainConfigurationAndItsTrailer) {
  KitConfiguration c = Captioned("package");
  SetExecutable(testkit::Package(c));
  EXPECT_EQ(LoadConfiguration(run), 1);
  Bytes plain = testkit::PlainStream(c);
  Bytes held(run.packageStream.Data(), run.packageStream.Data() + run.packageStream.Length());
  EXPECT_EQ(held, config::Descramble(testkit::OidFile(c)));
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), held.begin()));
  EXPECT_EQ(fake.openFiles, 0);
}

TEST_F(LoadTest, NoConfigurationEndsTheLaunch) {
  EXPECT_EQ(LoadConfiguration(run), 0) << "no file, and no executable to open";
  SetExecutable({});
  EXPECT_EQ(LoadConfiguration(run), 0) << "an executable without a package";
  EXPECT_EQ(fake.openFiles, 0);
}

// --- the marker ------------------------------------------------------------------

TEST_F(LoadTest, MarkerPositions) {
  const uint32_t imageEnd = 0x1000;
  const Bytes marker = testkit::PackageMarker();
  const Bytes stored = testkit::OidFile(Captioned("package"));
  struct Case {
    const char* name;
    Bytes file;
    int result;
  };
  Bytes markerInImage = testkit::FakePeImage(imageEnd);
  std::copy(marker.begin(), marker.end(), markerInImage.end() - 10);  // ends at the start
  Bytes splitInImage = testkit::FakePeImage(imageEnd);
  std::copy(marker.begin(), marker.begin() + 5, splitInImage.end() - 5);  // begins before it
  splitInImage.insert(splitInImage.end(), marker.begin() + 5, marker.end());

  const Case cases[] = {
      {"right at the search start", Concat(Concat(testkit::FakePeImage(imageEnd), marker), stored),
       1},
      {"behind some padding",
       Concat(Concat(Concat(testkit::FakePeImage(imageEnd), Bytes(777, 'A')), marker), stored), 1},
      {"only inside the image", Concat(markerInImage, stored), 0},
      {"beginning inside the image", Concat(splitInImage, stored), 0},
      {"inside the image, and again behind it",
       Concat(Concat(markerInImage, marker), stored), 1},
      {"absent", Concat(testkit::FakePeImage(imageEnd), stored), 0},
      {"cut short at the end of the file",
       Concat(Concat(testkit::FakePeImage(imageEnd), stored), Bytes(marker.begin(), marker.end() - 1)),
       0},
      {"not a PE file: searched from its start", Concat(marker, stored), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    captions.clear();
    run.packageStream.Release();
    fake.AddFile(fake.modulePath, c.file);
    EXPECT_EQ(LoadConfiguration(run), c.result);
    EXPECT_EQ(Loaded(), c.result ? "package" : "");
    EXPECT_EQ(run.ConfigSource, c.result ? kConfigFromPackage : kConfigFromFile);
    run.ConfigSource = kConfigFromFile;
  }
}

TEST_F(LoadTest, NothingAfterTheMarkerGivesAnEmptyStream) {
  SetExecutable(testkit::PackageMarker());
  EXPECT_EQ(LoadConfiguration(run), 1);
  EXPECT_EQ(run.ConfigSource, kConfigFromPackage);
  EXPECT_EQ(run.packageStream.Length(), 0u);
  EXPECT_TRUE(captions.empty());
}

// The search through the seam must give exactly what stepping one byte at a
// time gives: the first position at or after the start where all ten bytes
// match, whatever block boundaries fall in between.
TEST_F(LoadTest, SearchAgreesWithTheByteSteppingSearch) {
  const Bytes marker = testkit::PackageMarker();
  auto reference = [&](const Bytes& file, size_t start) -> long {
    for (size_t at = start; at + 10 <= file.size(); ++at)
      if (std::equal(marker.begin(), marker.end(), file.begin() + at)) return long(at);
    return -1;
  };
  std::mt19937 random(2024);
  const size_t block = 64 * 1024;
  std::vector<std::pair<size_t, size_t>> layouts;  // file size, marker position
  for (size_t split = 0; split <= 10; ++split)      // across the first block boundary
    layouts.push_back({2 * block + 100, block - split});
  for (size_t split = 0; split <= 10; ++split)      // ... and the second
    layouts.push_back({3 * block, 2 * block + 9 - split});
  for (int i = 0; i < 40; ++i) {
    size_t size = random() % (3 * block) + 20;
    layouts.push_back({size, random() % (size - 9)});
  }
  for (auto [size, position] : layouts) {
    SCOPED_TRACE("size " + std::to_string(size) + ", marker at " + std::to_string(position));
    // Letters of the marker everywhere, and near-misses: a hard case for skips.
    Bytes file(size);
    for (Bytes::value_type& b : file) b = static_cast<uint8_t>('A' + random() % 6);
    for (int n = 0; n < 30; ++n) {
      size_t at = random() % (size - 9);
      std::copy(marker.begin(), marker.begin() + 1 + random() % 9, file.begin() + at);
    }
    if (random() % 4) std::copy(marker.begin(), marker.end(), file.begin() + position);
    size_t start = random() % 3 == 0 ? 0 : random() % (position + 1);

    fake.AddFile("C:\\KIT\\big.bin", file);
    FileHandle handle = fake.OpenForReading("C:\\KIT\\big.bin");
    OidBuffer stream;
    bool found = ReadPackageBehindMarker(fake, handle, static_cast<u32>(start), stream);
    fake.CloseFile(handle);
    long expected = reference(file, start);
    ASSERT_EQ(found, expected >= 0);
    if (found) {
      Bytes behind(file.begin() + expected + 10, file.end());
      ASSERT_EQ(Bytes(stream.Data(), stream.Data() + stream.Length()), behind);
    }
  }
}

TEST_F(LoadTest, LargeKitCostsFewReads) {
  const uint32_t imageEnd = 3 * 1024 * 1024;  // a 3 MiB launcher image
  SetExecutable(testkit::Package(Captioned("package")), imageEnd);
  fake.reads = 0;
  EXPECT_EQ(LoadConfiguration(run), 1);
  EXPECT_LT(fake.reads, 3 * 16 + 20) << "one read per 64 KiB, and a few for the headers";
}

TEST_F(LoadTest, SearchStartIsTheEndOfTheImagesRawData) {
  for (uint32_t end : {0x202u, 0x1000u, 0x12345u}) {
    fake.AddFile("C:\\KIT\\image.exe", testkit::FakePeImage(end));
    FileHandle file = fake.OpenForReading("C:\\KIT\\image.exe");
    EXPECT_EQ(FindImageEnd(fake, file), end);
    fake.CloseFile(file);
  }
  Bytes damaged = testkit::FakePeImage(0x1000);
  damaged[0x40] = 'N';  // no "PE\0\0"
  Bytes cut(damaged.begin(), damaged.begin() + 0x100);
  for (const Bytes& notAnImage : {Bytes(), Bytes{'M', 'Z'}, damaged, cut}) {
    fake.AddFile("C:\\KIT\\image.exe", notAnImage);
    FileHandle file = fake.OpenForReading("C:\\KIT\\image.exe");
    EXPECT_EQ(FindImageEnd(fake, file), 0u);
    fake.CloseFile(file);
  }
}

TEST(PackageMarkerTest, IsMadeFromItsStoredForm) {
  u8 marker[kMarkerLength];
  BuildPackageMarker(marker);
  EXPECT_EQ(std::string(marker, marker + kMarkerLength), "AABBCCDDEE");
}

// --- a refusal ends the launch ---------------------------------------------------

TEST_F(LoadTest, RefusalEndsTheLaunchAndHangsUpOnlyForARequestingPackage) {
  struct Case {
    bool fromPackage;
    bool hangUpOnRefusal;
    bool refuse;
    int result;
    bool hangsUp;
  };
  const Case cases[] = {
      {true, true, true, 0, true},    {true, false, true, 0, false},
      {false, true, true, 0, false},  {false, false, true, 0, false},
      {true, true, false, 1, false},  {false, true, false, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fromPackage ? "package" : "file") +
                 (c.hangUpOnRefusal ? ", hang up asked" : "") + (c.refuse ? ", refused" : ""));
    CountingPlatform world;
    RunState state(world);
    LaunchOptions opts;
    state.options = &opts;
    world.customer = [&](AgreementSession& s) {
      if (c.refuse) *s.AgreementRefused = 1;
    };
    world.rasConnections = {reinterpret_cast<void*>(0x1234)};
    KitConfiguration config = testkit::SampleConfiguration();
    config.hangUpOnRefusal = c.hangUpOnRefusal;
    if (c.fromPackage)
      world.AddFile(world.modulePath, testkit::WithPackage(testkit::FakePeImage(0x400), config));
    else
      world.AddFile("C:\\KIT\\setup.oid", testkit::OidFile(config));
    EXPECT_EQ(LoadConfiguration(state), c.result);
    EXPECT_EQ(!world.rasCalls.empty(), c.hangsUp);
    EXPECT_EQ(world.dialogsShown, 1);
  }
}

// The dialog could not be shown: not accepted, so the launch ends, but the
// customer refused nothing, so nothing is hung up.
TEST_F(LoadTest, AgreementThatCannotBeShownEndsWithoutHangingUp) {
  fake.customer = nullptr;
  SetExecutable(testkit::Package(testkit::SampleConfiguration()));
  EXPECT_EQ(LoadConfiguration(run), 0);
  EXPECT_FALSE(HungUp());
}

TEST_F(LoadTest, CopyInstructionRunsBeforeTheAgreementEvenWhenRefused) {
  refuse = true;
  fake.AddFile("C:\\KIT\\notes.txt", "kit notes");
  KitConfiguration c = testkit::FullConfiguration();
  fake.AddFile("C:\\KIT\\setup.oid", testkit::OidFile(c));
  EXPECT_EQ(LoadConfiguration(run), 0);
  EXPECT_TRUE(fake.Exists("C:\\notes.txt"));
  size_t copy = 0, dialog = 0;
  for (size_t i = 0; i < fake.events.size(); ++i) {
    if (fake.events[i].rfind("copy ", 0) == 0) copy = i + 1;
    if (fake.events[i] == "dialog") dialog = i + 1;
  }
  EXPECT_TRUE(copy && dialog && copy < dialog);
}

}  // namespace
}  // namespace kit
