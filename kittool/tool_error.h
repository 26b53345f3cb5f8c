// The one failure every command reports the same way: the input cannot be
// used (exit code 1). Usage mistakes are the command-line parser's (exit
// code 2).
#pragma once

#include <stdexcept>
#include <string>

namespace kittool {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kittool
