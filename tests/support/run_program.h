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

// Runs the converter binary with the arguments, in the working directory,
// with extra environment variables set; captures both output streams.
ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {},
                         const std::string& workingDirectory = "");

}  // namespace qzrtest
