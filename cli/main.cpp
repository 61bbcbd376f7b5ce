#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return letterfreq::runCli(args, std::cin, std::cout, std::cerr);
}
