#include "support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/qzr_writer.h"

#if !defined(QZR2RIN_BINARY) || !defined(QZRSIM_BINARY)
#error "QZR2RIN_BINARY and QZRSIM_BINARY must name the converter and the simulator"
#endif

namespace qzrtest {

ProgramResult RunCommand(const std::string& program, const std::vector<std::string>& args,
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
    std::string name = program;
    argv.push_back(name.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(name.c_str(), argv.data());
    ::_exit(127);
  }
  ProgramResult result;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env,
                         const std::string& workingDirectory) {
  return RunCommand(QZR2RIN_BINARY, args, env, workingDirectory);
}

ProgramResult RunSimulator(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env) {
  return RunCommand(QZRSIM_BINARY, args, env);
}

}  // namespace qzrtest
