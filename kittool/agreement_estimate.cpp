#include "kittool/agreement_estimate.h"

namespace kittool {
namespace {

// Greedy wrapping of one paragraph, as an edit control does it: a word that
// does not fit on the current line starts the next; a blank that ends a
// line takes no room on the next.
int WrappedLines(const std::string& line, int width) {
  int lines = 1;
  int used = 0;
  size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ') {
      if (used < width) ++used;
      ++at;
      continue;
    }
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    int word = static_cast<int>(end - at);
    if (used > 0 && used + word > width) {
      ++lines;
      used = 0;
    }
    while (word > width) {  // broken where the line is full
      ++lines;
      word -= width;
    }
    used += word;
    at = end;
  }
  return lines;
}

}  // namespace

int EstimateWrappedLines(const std::string& text, int width) {
  if (width < 1) width = 1;
  int lines = 0;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines += WrappedLines(line, width);
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

bool HasBareLineFeed(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
  return false;
}

}  // namespace kittool
