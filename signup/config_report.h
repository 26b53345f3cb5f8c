// The stand-in's view of the configuration that staging wrote for it.
#pragma once

#include <string>
#include <vector>

namespace signup {

// The name the configuration goes by: the file= token's value (its keyword
// compared without regard to case), '^' standing for a blank, and ".oid".
// Empty when no file= token was given.
std::string ConfigurationFileName(const std::vector<std::string>& tokens);

// The report's "config" object for the stored configuration `stored`: the
// file's name, the profile name (field 6), the agreement flag (field 23),
// whether the copy instruction is given (field 46 is "yes") and the file it
// names (field 47), and whether the stream decoded whole.
std::string ConfigJson(const std::string& fileName, const std::vector<unsigned char>& stored);

}  // namespace signup
