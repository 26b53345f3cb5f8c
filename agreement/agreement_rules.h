// The agreement dialog's decisions, kept apart from the window code so that
// they hold the same on every system and can be tested without one.
#pragma once

#include "support/types.h"

namespace kit {

// What the agreement's edit control shows.
struct EditView {
  u32 firstVisibleLine = 0;
  u32 lineCount = 0;     // wrapped lines, as the edit counts them
  u32 visibleLines = 1;  // whole lines that fit in the view
};

// Whole lines of `lineHeight` pixels in a formatting rectangle of
// `rectHeight` pixels, at least one, as the edit control itself counts them
// to limit its scrolling. A line cut off at the bottom does not count.
u32 VisibleLineCount(i32 rectHeight, i32 lineHeight);

// Whether the text's last line lies within the view.
bool LastLineVisible(const EditView& view);

// "I &Accept" starts disabled only when the customer must scroll and the
// text, opened at its first line, does not fit in the view.
bool AcceptStartsDisabled(u32 scrollToAccept, const EditView& opening);

// Whether a disabled "I &Accept" is to be enabled now: the last line has
// come into view, however the customer scrolled there. `stalledDownward`
// says that a scroll towards the end was asked for and the view did not
// move, so it already stands at its end whatever the line measures say.
bool ShouldEnableAccept(u32 scrollToAccept, const EditView& now, bool stalledDownward);

// The picture frame's width or height for a picture of `extent` pixels: the
// picture and three pixels of frame.
i32 PictureFrameExtent(i32 extent);

// What a command to the dialog means.
enum class AgreementOutcome {
  kNone,      // not a command that ends the dialog
  kAccepted,  // ends the dialog; the agreement is accepted
  kRefused,   // ends the dialog; the agreement is refused
};

// Dialog commands, as the template and the dialog manager number them.
constexpr u32 kCommandOk = 1;        // the dialog manager's OK
constexpr u32 kCommandCancel = 2;    // "Ca&ncel", and Escape
constexpr u32 kCommandContinue = 3;  // "&Continue"

// `dontAcceptChecked`: "I &Don't Accept" exists and is checked.
AgreementOutcome CommandOutcome(u32 command, bool dontAcceptChecked);

}  // namespace kit
