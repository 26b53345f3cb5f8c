#include "signup/report.h"

#include <cstdio>

namespace signup {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::vector<std::string> TokensAfterFirstBlank(const std::string& commandLine) {
  std::vector<std::string> tokens;
  size_t blank = commandLine.find(' ');
  if (blank == std::string::npos) return tokens;
  std::string rest = commandLine.substr(blank + 1);
  size_t start = 0;
  for (;;) {
    size_t dollar = rest.find('$', start);
    tokens.push_back(rest.substr(start, dollar - start));
    if (dollar == std::string::npos) break;
    start = dollar + 1;
  }
  return tokens;
}

}  // namespace signup
