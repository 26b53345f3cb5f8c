// The agreement dialog's decisions: when "I &Accept" waits for the end of
// the text, when it is enabled, and what each command means.
#include <gtest/gtest.h>

#include <cstdint>

#include "agreement/agreement_rules.h"

namespace kit {
namespace {

TEST(AgreementRulesTest, VisibleLinesAreWholeLinesAndAtLeastOne) {
  struct {
    i32 rectHeight, lineHeight;
    u32 expected;
  } cases[] = {
      {224, 16, 14},  // exactly 14 lines
      {239, 16, 14},  // a cut-off 15th line does not count
      {240, 16, 15},
      {10, 16, 1},  // smaller than a line: the edit still shows
                    // its top line
      {0, 16, 1},
      {-20, 16, 1},
      {224, 0, 1},
      {224, -3, 1},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.rectHeight << "/" << c.lineHeight);
    EXPECT_EQ(VisibleLineCount(c.rectHeight, c.lineHeight), c.expected);
  }
}

TEST(AgreementRulesTest, AcceptStartsDisabledOnlyWhenTheTextDoesNotFit) {
  struct {
    u32 scrollToAccept, lineCount, visibleLines;
    bool disabled;
  } cases[] = {
      {0, 500, 14, false},  // nothing to scroll through: enabled, however long
      {1, 0, 14, false},   {1, 1, 14, false}, {1, 13, 14, false},
      {1, 14, 14, false},  // fits exactly
      {1, 15, 14, true},   {1, 16, 14, true}, {1, 17, 14, true},
      {1, 500, 14, true},  {1, 2, 1, true},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.scrollToAccept << " " << c.lineCount << "/" << c.visibleLines);
    // Opened wherever the edit happened to stand, it is judged at line 0.
    for (u32 first : {0u, 3u, 1000u}) {
      EditView view{first, c.lineCount, c.visibleLines};
      EXPECT_EQ(AcceptStartsDisabled(c.scrollToAccept, view), c.disabled);
    }
  }
}

TEST(AgreementRulesTest, AcceptIsEnabledOnceTheLastLineIsInView) {
  struct {
    u32 first, lineCount, visibleLines;
    bool stalled, enabled;
  } cases[] = {
      // 16 lines in a 14-line view: the view ends at first line 2. These
      // texts could never be accepted when the test was "first == count - 17".
      {0, 16, 14, false, false},
      {1, 16, 14, false, false},
      {2, 16, 14, false, true},
      {15, 16, 14, false, true},
      {0, 15, 14, false, false},
      {1, 15, 14, false, true},
      // A long text: any position from which the end is in view.
      {85, 100, 14, false, false},
      {86, 100, 14, false, true},
      {99, 100, 14, false, true},
      // A downward scroll that could not move the view: it is at its end.
      {50, 100, 14, true, true},
      // No wrap-round near the top of the range.
      {UINT32_MAX - 2, UINT32_MAX, 14, false, true},
      {0, UINT32_MAX, 14, false, false},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " of " << c.lineCount << "/" << c.visibleLines
                                    << (c.stalled ? " stalled" : ""));
    EditView view{c.first, c.lineCount, c.visibleLines};
    EXPECT_EQ(ShouldEnableAccept(1, view, c.stalled), c.enabled);
    EXPECT_FALSE(ShouldEnableAccept(0, view, c.stalled));
  }
}

TEST(AgreementRulesTest, CommandsEndTheDialogAsAcceptanceOrRefusal) {
  using O = AgreementOutcome;
  struct {
    u32 command;
    bool dontAcceptChecked;
    O outcome;
  } cases[] = {
      {kCommandOk, true, O::kAccepted},
      {kCommandOk, false, O::kAccepted},
      {kCommandCancel, true, O::kRefused},
      {kCommandCancel, false, O::kRefused},
      {kCommandContinue, true, O::kRefused},
      {kCommandContinue, false, O::kAccepted},
      {0, false, O::kNone},
      {1013, false, O::kNone},
      {1014, true, O::kNone},
      {1010, false, O::kNone},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.command << (c.dontAcceptChecked ? " refusing" : ""));
    EXPECT_EQ(CommandOutcome(c.command, c.dontAcceptChecked), c.outcome);
  }
}

TEST(AgreementRulesTest, PictureFrameIsThePictureAndThreePixels) {
  EXPECT_EQ(PictureFrameExtent(0), 3);
  EXPECT_EQ(PictureFrameExtent(127), 130);
  EXPECT_EQ(PictureFrameExtent(-64), 3);
  EXPECT_EQ(PictureFrameExtent(INT32_MAX), INT32_MAX);
  EXPECT_EQ(PictureFrameExtent(INT32_MAX - 3), INT32_MAX);
}

}  // namespace
}  // namespace kit
