#pragma once

#include <csignal>

// How the program meets signals, so that no file is ever left half-written
// under its final name.
namespace qzr2rin::platform {

// SIGINT, SIGTERM and SIGHUP remove the staged files and then end the
// program by the same signal, as the shell expects (one that was ignored
// when the program started stays ignored). SIGPIPE is ignored: a console
// reader that went away loses the console text, not the conversion.
// SIGXFSZ is ignored: a write over the file-size limit then fails as a
// write error, which the writers report.
void InstallSignalHandling();

// Holds the fatal signals back for its lifetime, so that a set of files is
// named whole or not at all.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace qzr2rin::platform
