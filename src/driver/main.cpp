#include <iostream>

#include "driver/conversion_run.h"
#include "driver/options.h"
#include "driver/process_flags.h"

int main(int argc, char** argv) {
  const qzr2rin::CommandLine command = qzr2rin::ParseCommandLine(argc, argv, std::cerr);
  if (!command.convert) return command.exitCode;
  qzr2rin::SetFlags(command.flags);
  return qzr2rin::RunConversion(command, std::cout);
}
