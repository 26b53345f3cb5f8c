// Makes the kit of the whole-launch benchmark: the launcher with a typical
// configuration appended, as a provider ships it, but without an agreement,
// since no one is there to answer the dialog.
//
//   make_bench_kit LAUNCHER.EXE KIT.EXE [PICTURE-BITS]
//
// The picture is the sample's 16 x 8 one, with 8 bits per pixel unless
// PICTURE-BITS says otherwise (24: no colour table, hence no palette).
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "tests/support/kit_builder.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make_bench_kit LAUNCHER.EXE KIT.EXE [PICTURE-BITS]\n");
    return 2;
  }
  try {
    kit::config::KitConfiguration config = kit::testkit::SampleConfiguration();
    config.hasAgreement = false;
    config.scrollToAccept = false;
    config.agreementText = "";
    config.agreementCaption = "";
    if (argc == 4)
      config.picture = kit::testkit::MakeBitmap(16, 8, static_cast<uint16_t>(std::atoi(argv[3])));
    namespace testkit = kit::testkit;
    testkit::WriteFileBytes(argv[2],
                            testkit::WithPackage(testkit::ReadFileBytes(argv[1]), config));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_bench_kit: %s\n", e.what());
    return 1;
  }
  return 0;
}
