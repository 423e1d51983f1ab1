#include <iostream>
#include <new>

#include "base/process_flags.h"
#include "base/status.h"
#include "driver/conversion_run.h"
#include "driver/options.h"
#include "platform/clock.h"
#include "platform/signals.h"
#include "platform/streams.h"

int main(int argc, char** argv) {
  qzr2rin::platform::EnsureStandardStreams();
  qzr2rin::platform::InstallSignalHandling();
  try {
    const qzr2rin::CommandLine command = qzr2rin::ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (!command.convert) return command.exitCode;
    if (const std::string problem = qzr2rin::platform::FixedClockProblem(); !problem.empty()) {
      std::cerr << problem;
      return qzr2rin::ToInt(qzr2rin::Status::BadTimeTag);
    }
    qzr2rin::SetFlags(command.flags);
    return qzr2rin::RunConversion(command, std::cout);
  } catch (const std::bad_alloc&) {
    return qzr2rin::ToInt(qzr2rin::Status::OutOfMemory);
  }
}
