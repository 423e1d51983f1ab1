#include "platform/signals.h"

#include <array>

#include "platform/files.h"

namespace qzr2rin::platform {
namespace {

constexpr std::array<int, 3> kFatalSignals = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveStagedAndDie(int signal) {
  RemoveStagedFiles();
  // Every fatal signal is held while the handler runs, so that a second one
  // cannot end the program before the files are gone. (A handler reset on
  // entry would let it through.) Raised again with its default action, the
  // signal ends the program the moment the handler returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigaction(signal, &fallback, nullptr);
  std::raise(signal);
}

sigset_t FatalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : kFatalSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

void InstallSignalHandling() {
  for (const int s : kFatalSignals) {
    struct sigaction old {};
    if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveStagedAndDie;
    action.sa_mask = FatalSet();
    ::sigaction(s, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

HeldSignals::HeldSignals() {
  const sigset_t set = FatalSet();
  ::sigprocmask(SIG_BLOCK, &set, &previous_);
}

HeldSignals::~HeldSignals() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace qzr2rin::platform
