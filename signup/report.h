// A small JSON writer for the stand-in's report.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace signup {

// A JSON string literal for an 8-bit ANSI text; bytes above 0x7F are written
// as the Latin-1 code points of the same value.
std::string JsonString(const std::string& text);

// "$"-separated tokens after the command line's first blank.
std::vector<std::string> TokensAfterFirstBlank(const std::string& commandLine);

}  // namespace signup
