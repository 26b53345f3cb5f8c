#include "agreement/agreement_rules.h"

namespace kit {

u32 VisibleLineCount(i32 rectHeight, i32 lineHeight) {
  if (rectHeight <= 0 || lineHeight <= 0 || rectHeight < lineHeight) return 1;
  return static_cast<u32>(rectHeight / lineHeight);
}

bool LastLineVisible(const EditView& view) {
  // Widened: a first line near the top of the range must not wrap round.
  return static_cast<uint64_t>(view.firstVisibleLine) + view.visibleLines >= view.lineCount;
}

bool AcceptStartsDisabled(u32 scrollToAccept, const EditView& opening) {
  EditView atTop = opening;
  atTop.firstVisibleLine = 0;
  return scrollToAccept != 0 && !LastLineVisible(atTop);
}

bool ShouldEnableAccept(u32 scrollToAccept, const EditView& now, bool stalledDownward) {
  return scrollToAccept != 0 && (stalledDownward || LastLineVisible(now));
}

i32 PictureFrameExtent(i32 extent) {
  constexpr i32 kFrame = 3;
  if (extent < 0) extent = 0;
  return extent > INT32_MAX - kFrame ? INT32_MAX : extent + kFrame;
}

AgreementOutcome CommandOutcome(u32 command, bool dontAcceptChecked) {
  switch (command) {
    case kCommandOk: return AgreementOutcome::kAccepted;
    case kCommandCancel: return AgreementOutcome::kRefused;
    case kCommandContinue:
      return dontAcceptChecked ? AgreementOutcome::kRefused : AgreementOutcome::kAccepted;
    default: return AgreementOutcome::kNone;
  }
}

}  // namespace kit
