#include <cstdio>
#include <iostream>

#include "driver/messages.h"
#include "driver/options.h"
#include "driver/process_flags.h"
#include "input/qzr_file.h"

namespace qzr2rin {
namespace {

void PrintResult(Status status, bool verbose) {
  if (verbose) std::printf("%s\n", ErrorText(status).data());
}

int Convert(const CommandLine& command) {
  const bool verbose = command.options.verbose;
  TQZRFile converter(command.options);
  converter.console = &std::cout;
  if (converter.status != Status::Ok) {
    PrintResult(converter.status, verbose);
    return ToInt(converter.status);
  }
  const Status result = converter.Run();
  if (result != Status::Ok) {
    PrintResult(result, verbose);
    // A fatal status may carry the facts that explain it.
    if (verbose && !converter.errorDetail.empty()) std::fputs(converter.errorDetail.c_str(), stdout);
    return ToInt(result);
  }
  const bool allExcluded = !command.options.useGps && !command.options.useGlonass && !command.options.useWaas;
  if (allExcluded || converter.outputEpochCount == 0) {
    PrintResult(Status::Ok, verbose);
    return 0;
  }
  PrintResult(result, verbose);
  return ToInt(result);
}

}  // namespace
}  // namespace qzr2rin

int main(int argc, char** argv) {
  const qzr2rin::CommandLine command = qzr2rin::ParseCommandLine(argc, argv, std::cerr);
  if (!command.convert) return command.exitCode;
  qzr2rin::SetFlags(command.flags);
  return qzr2rin::Convert(command);
}
