// kittool: authoring, checking and packing kits. See commands.h.
#include <iostream>

#include "kittool/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kittool::RunKittool(args, std::cout, std::cerr);
}
