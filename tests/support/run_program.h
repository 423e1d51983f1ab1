#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qzrtest {

struct ProgramResult {
  int exitCode = -1;  // as the shell sees it (0..255), -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` (a path) with the arguments, in the working directory,
// with extra environment variables set; captures both output streams.
ProgramResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {},
                         const std::string& workingDirectory = "");

// Runs the simulator binary the same way.
ProgramResult RunSimulator(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env = {});

// Runs the converter binary with the arguments, in the working directory,
// with extra environment variables set; captures both output streams.
ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {},
                         const std::string& workingDirectory = "");

}  // namespace qzrtest
