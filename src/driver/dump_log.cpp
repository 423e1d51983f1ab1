#include "driver/dump_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace qzr2rin {

void DumpLog::Open(const std::string& path) { file_.Open(path, platform::OpenMode::Truncate); }

void DumpLog::Close() { file_.Close(); }

void DumpLog::Printf(const char* layout, ...) {
  if (!Enabled()) return;
  char small[512];
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
    file_.Write(std::string_view(small, static_cast<std::size_t>(n)));
  } else {
    std::vector<char> large(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(large.data(), large.size(), layout, again);
    file_.Write(std::string_view(large.data(), static_cast<std::size_t>(n)));
  }
  va_end(again);
}

void DumpLog::EndLine() {
  if (!Enabled()) return;
  file_.Write('\n');
  file_.Flush();
}

}  // namespace qzr2rin
