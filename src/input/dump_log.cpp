#include "input/dump_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/messages.h"
#include "platform/streams.h"

namespace qzr2rin {
namespace {

// Most dump lines fit; a longer one is formatted a second time at its size.
constexpr std::size_t kShortLineSize = 512;

}  // namespace

bool DumpLog::Open(const std::string& path) {
  path_ = path;
  return file_.Open(path);
}

bool DumpLog::Finish() { return file_.Finish(); }

bool DumpLog::Name() { return file_.NameReplacing(path_); }

std::string DumpLogRefusal(const std::string& path, const std::string& input) {
  const platform::PathFacts facts = platform::Examine(path);
  if (!facts.exists) return {};
  // Every dump log starts with the banner; the program name before its
  // version marks the logs of earlier versions too.
  const std::string_view program = MessageText(kMsgProgramName);
  const std::string mark = std::string(program.substr(0, program.find(' '))) + ' ';
  const char* why = facts.symbolicLink                                ? "is a symbolic link"
                    : !facts.regular                                  ? "is not a regular file"
                    : platform::SameFile(path, input)                 ? "is the input itself"
                    : platform::FirstBytes(path, mark.size()) != mark ? "is not a dump log of this program"
                                                                      : nullptr;
  if (why == nullptr) return {};
  return "The dump log " + path + " " + why + "; it is left as it is\n";
}

void DumpLog::Printf(const char* layout, ...) {
  if (!Enabled()) return;
  char small[kShortLineSize];
  va_list args;
  va_start(args, layout);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, layout, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    file_.File().Write(std::string_view(small, static_cast<std::size_t>(n)));
  } else {
    std::vector<char> large(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(large.data(), large.size(), layout, again);
    file_.File().Write(std::string_view(large.data(), static_cast<std::size_t>(n)));
  }
  va_end(again);
}

void DumpLog::EndLine() {
  if (!Enabled()) return;
  file_.File().Write('\n');
  file_.File().Flush();
}

}  // namespace qzr2rin
