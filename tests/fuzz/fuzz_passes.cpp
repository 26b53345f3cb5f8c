// The three reading passes over any descrambled stream, the picture holder
// included, with a customer who accepts.
#include <cstdint>
#include <cstring>

#include "agreement/agreement_session.h"
#include "agreement/dib_image.h"
#include "config/read_pass.h"
#include "launcher/launch_options.h"
#include "launcher/run_state.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kit::FakePlatform platform;
  platform.customer = [](kit::AgreementSession&) {};
  kit::RunState run(platform);
  kit::LaunchOptions options;
  options.file.Assign("file=setup");
  run.options = &options;
  run.SplashPicture = new kit::DibImage(platform);
  run.ProfileFromConfig = 1;

  // An exact-size block, so that AddressSanitizer sees any read past its end.
  kit::OidBuffer stream;
  stream.Append(data, static_cast<kit::u32>(size));
  kit::ReadOidPass(run, stream, kit::OidPass::kPicture);
  kit::ReadOidPass(run, stream, kit::OidPass::kInteractive);
  kit::ReadOidPass(run, stream, kit::OidPass::kStaging);
  if (options.prof.Length() > 49) __builtin_trap();
  delete run.SplashPicture;
  return 0;
}
