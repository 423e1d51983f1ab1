#include "support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fcntl.h>

#include "support/qzr_writer.h"

#ifndef QZR2RIN_BINARY
#error "QZR2RIN_BINARY must name the converter"
#endif

namespace qzrtest {

ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env,
                         const std::string& workingDirectory) {
  TempDir capture;
  const std::string outPath = capture.File("out");
  const std::string errPath = capture.File("err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv;
    std::string program = QZR2RIN_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ProgramResult result;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

}  // namespace qzrtest
