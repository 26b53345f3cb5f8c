// How long the agreement looks in the dialog. Only an estimate: the edit
// control wraps at pixel widths of the dialog's font, which the tool does
// not have. On Windows the agreement's edit shows about 17 lines of about
// 45 characters.
#pragma once

#include <string>

namespace kittool {

constexpr int kEstimatedVisibleLines = 17;
constexpr int kEstimatedLineWidth = 45;

// Lines the text takes when wrapped at word boundaries to `width`
// characters; a word longer than a line is broken. Lines end at CRLF, and
// for the estimate at a bare LF too.
int EstimateWrappedLines(const std::string& text, int width = kEstimatedLineWidth);

// Whether the text has a LF not preceded by CR: a Windows edit control
// breaks lines only at CRLF.
bool HasBareLineFeed(const std::string& text);

}  // namespace kittool
