#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/interrupt.h"

int main(int argc, char** argv) {
  letterfreq::installInterruptHandlers();
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = letterfreq::runCli(args, std::cin, std::cout, std::cerr,
                                        letterfreq::interruptFlag());
  if (const int signalNumber = letterfreq::interruptSignal()) {
    std::cerr << "letterfreq-cli: interrupted\n";
    return 128 + signalNumber;
  }
  return status;
}
