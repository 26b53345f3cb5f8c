// Writes the fuzz targets' seed corpora from the test suite's fixtures:
//   make_corpus <tests/fuzz/corpus>
#include <filesystem>
#include <string>

#include "tests/support/kit_builder.h"

namespace fs = std::filesystem;
using namespace kit;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  fs::path root = argv[1];
  auto put = [&](const std::string& target, const std::string& name,
                 const testkit::Bytes& bytes) {
    fs::create_directories(root / target);
    testkit::WriteFileBytes((root / target / name).string(), bytes);
  };
  auto text = [](const std::string& s) { return testkit::Bytes(s.begin(), s.end()); };

  put("fuzz_options", "example", text("$realname=Jo Lee$oemail$name=jo$prof=home$name=al"));
  put("fuzz_options", "appl", text("$appl=http://x$appl=go.exe$iehome$chainX=1$prefix=ab"));
  put("fuzz_options", "flags", text("nomodem=1$dialoption$rboot$mailprefix$O98Mail$$"));

  config::KitConfiguration sample = testkit::SampleConfiguration();
  config::KitConfiguration full = testkit::FullConfiguration();
  put("fuzz_passes", "sample", testkit::PlainStream(sample));
  put("fuzz_passes", "full", testkit::PlainStream(full));

  testkit::Bytes image = testkit::FakePeImage(0x400);
  put("fuzz_launch", "sample", testkit::WithPackage(image, sample));
  put("fuzz_launch", "full", testkit::WithPackage(image, full));
  put("fuzz_launch", "bare", image);

  put("fuzz_picture", "8bit", testkit::MakeBitmap(16, 8, 8));
  put("fuzz_picture", "24bit", testkit::MakeBitmap(5, 3, 24));
  put("fuzz_picture", "1bit", testkit::MakeBitmap(9, 2, 1));

  put("fuzz_decode", "oid", testkit::OidFile(full));
  put("fuzz_decode", "kit", testkit::WithPackage(image, sample));
  return 0;
}
