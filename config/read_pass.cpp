#include "config/read_pass.h"

#include "agreement/agreement_session.h"
#include "agreement/dib_image.h"
#include "config/config_paths.h"
#include "config/record_reader.h"
#include "config/scramble.h"
#include "config/stream_file.h"
#include "launcher/launch_options.h"
#include "launcher/paths.h"
#include "platform/platform.h"
#include "support/memory.h"

namespace kit {
namespace {

// What the dialog shows: the agreement text as the work buffer would hold it,
// the caption at the title's size. Longer texts are cut to fit.
constexpr u32 kAgreementTextSize = 65535;
using AgreementCaption = BoundedText<255>;

enum class Step {
  kGoOn,  // read whole, the pass goes on
  kStop,  // the pass is over: the stream ran out, or it read what it needs
  kEnd,   // the launch must end
};

void SkipTexts(OidCursor& cursor, u32 count) {
  OidText text;
  for (u32 i = 0; i < count; ++i) TakeOidText(cursor, &text);
}

void SkipFlags(OidCursor& cursor, u32 count) {
  for (u32 i = 0; i < count; ++i) ReadOidFlag(cursor);
}

// A flag and the fields it makes present: `numbers` numbers, then `texts`.
void SkipConditional(OidCursor& cursor, u32 numbers, u32 texts) {
  if (!ReadOidFlag(cursor)) return;
  for (u32 i = 0; i < numbers; ++i) ReadOidNumber(cursor);
  SkipTexts(cursor, texts);
}

// Field 6. A name that does not fit is refused rather than cut: a shortened
// name would name a dial-up connection that does not exist, so prof= keeps
// what it held.
void TakeProfileName(RunState& run, const OidText& name) {
  if (!run.ProfileFromConfig || run.options == nullptr) return;
  decltype(LaunchOptions::prof) value;
  if (value.Assign("prof=") && value.Append(name.chars, name.length))
    run.options->prof.Assign(value.Get());
}

// The modal dialog. An agreement that cannot be shown has not been
// accepted, so the launch ends; only the customer's answer counts as a
// refusal.
Step ShowAgreement(RunState& run, const OidText& text, const OidText& caption) {
  char* agreement = static_cast<char*>(AllocateZeroed(kAgreementTextSize));
  if (agreement == nullptr) return Step::kEnd;
  TextRef(agreement, kAgreementTextSize).AssignCut(text.chars, text.length);
  AgreementCaption title;
  title.Ref().AssignCut(caption.chars, caption.length);

  AgreementSession session;
  session.AgreementText = agreement;
  session.AgreementCaption = title.Get();
  session.ScrollToAccept = run.ScrollToAccept;
  session.AgreementRefused = &run.AgreementRefused;
  session.SplashPicture = &run.SplashPicture;
  bool shown = run.platform.RunAgreementDialog(session);
  ReleaseBlock(agreement);
  if (!shown || run.AgreementRefused) return Step::kEnd;
  return Step::kGoOn;
}

// Fields 24 to 26, and in the interactive pass the dialog. A block the
// stream ends inside is never shown in part.
Step ReadAgreementBlock(RunState& run, OidCursor& cursor, OidPass pass) {
  u32 scrollToAccept = ReadOidFlag(cursor);
  OidText text, caption;
  TakeOidText(cursor, &text);
  TakeOidText(cursor, &caption);
  if (cursor.ranOut) return pass == OidPass::kInteractive ? Step::kEnd : Step::kStop;
  run.ScrollToAccept = scrollToAccept;
  if (pass != OidPass::kInteractive) return Step::kGoOn;
  return ShowAgreement(run, text, caption);
}

// Fields 1 to 26 (or 23). Sets the values every pass sets on its way.
Step ReadHead(RunState& run, OidCursor& cursor, OidPass pass) {
  SkipTexts(cursor, 3);
  SkipFlags(cursor, 2);
  OidText profileName;
  if (!TakeOidText(cursor, &profileName)) return Step::kStop;
  TakeProfileName(run, profileName);

  SkipTexts(cursor, 1);
  SkipFlags(cursor, 2);
  SkipTexts(cursor, 4);
  SkipConditional(cursor, 0, 1);  // 14, 15
  SkipFlags(cursor, 1);           // 16
  SkipConditional(cursor, 0, 1);  // 17, 18
  u32 hangUpOnRefusal = ReadOidFlag(cursor);
  if (cursor.ranOut) return Step::kStop;
  run.HangUpOnRefusal = hangUpOnRefusal;

  SkipFlags(cursor, 3);
  u32 hasAgreement = ReadOidFlag(cursor);
  if (cursor.ranOut) return Step::kStop;
  if (!hasAgreement) return Step::kGoOn;
  return ReadAgreementBlock(run, cursor, pass);
}

// Field 47, copied from the kit folder to the root of the Windows drive.
// A path that does not fit skips the copy.
void CarryOutCopyInstruction(Platform& platform, const OidText& name) {
  if (name.length == 0) return;
  BoundedText<255> destination;
  if (!platform.GetWindowsFolder(destination.Ref())) return;
  i32 firstSlash = FindFirst(destination.Get(), '\\');
  if (firstSlash < 0) return;
  destination.Ref().Truncate(static_cast<u32>(firstSlash) + 1);
  if (!destination.Append(name.chars, name.length)) return;

  u32 baseStart = 0;
  for (u32 i = 0; i < name.length; ++i)
    if (name.chars[i] == '\\') baseStart = i + 1;
  BoundedText<255> source;
  if (!GetKitFolder(platform, source.Ref()) ||
      !source.Append(name.chars + baseStart, name.length - baseStart))
    return;
  platform.CopyFile(source.Get(), destination.Get(), false);
}

// Fields 27 to 47.
Step ReadMiddle(RunState& run, OidCursor& cursor) {
  SkipConditional(cursor, 0, 2);  // 27 to 29
  SkipConditional(cursor, 1, 2);  // 30 to 33
  SkipFlags(cursor, 1);           // 34
  SkipConditional(cursor, 1, 2);  // 35 to 38
  SkipTexts(cursor, 7);           // 39 to 45
  OidText copyInstruction;
  if (!TakeOidText(cursor, &copyInstruction)) return Step::kStop;
  if (!copyInstruction.Is("yes")) return Step::kGoOn;
  OidText copyFile;
  if (!TakeOidText(cursor, &copyFile)) return Step::kStop;
  CarryOutCopyInstruction(run.platform, copyFile);
  return Step::kGoOn;
}

// Fields 48 to 57.
void ReadPicture(RunState& run, OidCursor& cursor) {
  SkipTexts(cursor, 3);
  SkipFlags(cursor, 4);
  SkipTexts(cursor, 2);
  if (cursor.ranOut || run.SplashPicture == nullptr) return;
  run.SplashPicture->LoadFromStream(cursor);
}

}  // namespace

int ReadOidPass(RunState& run, OidCursor& cursor, OidPass pass) {
  Step step = ReadHead(run, cursor, pass);
  if (step == Step::kEnd) return 0;
  if (step == Step::kStop || pass == OidPass::kInteractive) return 1;
  if (ReadMiddle(run, cursor) == Step::kStop || pass != OidPass::kPicture) return 1;
  ReadPicture(run, cursor);
  return 1;
}

int ReadOidPass(RunState& run, const OidBuffer& stream, OidPass pass) {
  OidCursor cursor(stream.Data(), stream.Length());
  return ReadOidPass(run, cursor, pass);
}

void RunStagingPass(RunState& run) {
  if (run.ConfigSource == kConfigFromPackage) {
    if (run.packageStreamScrambled) {
      // A second trailer block restores the plain stream; when it cannot
      // be had the stream is still scrambled and there is nothing to read.
      if (!ScrambleOid(run.packageStream, kScrambleBlockSize, true)) return;
      run.packageStreamScrambled = false;
    }
    ReadOidPass(run, run.packageStream, OidPass::kStaging);
    return;
  }
  if (run.options == nullptr) return;
  BoundedText<255> path;
  if (!FormStagingPassPath(run.platform, *run.options, path.Ref())) return;
  OidBuffer stream;
  if (LoadStreamFile(run.platform, path.Get(), stream) != StreamFileResult::kLoaded) return;
  ScrambleOid(stream, kScrambleBlockSize, false);
  ReadOidPass(run, stream, OidPass::kStaging);
}

}  // namespace kit
