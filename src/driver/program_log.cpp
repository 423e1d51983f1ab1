#include "driver/program_log.h"

#include <cstdio>

#include "driver/messages.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace qzr2rin {

std::string ProgramLogPath() { return platform::TemporaryDirectory() + "QZR2RIN.log"; }

void AppendProgramLog(const std::string& inputName, std::uint32_t lastError, Status status) {
  platform::OutputFile log;
  // Append only, never through a symbolic link: the temporary directory is
  // shared with other users.
  if (!log.Open(ProgramLogPath(), platform::OpenMode::Append)) return;
  const platform::CalendarTime now = platform::WallClockNow();
  char line[128];
  log.Write("------------------------------------------------------------------\n");
  std::snprintf(line, sizeof line, "                 %02d-%3.3s-%02d %02d:%02d\n", now.day,
                MonthAbbreviation(now.month).data(), now.year % 100, now.hour, now.minute);
  log.Write(line);
  log.Write(BannerLine());
  log.Write("\n");
  std::snprintf(line, sizeof line, "Last_Error = %u\n", static_cast<unsigned>(lastError));
  log.Write(line);
  std::snprintf(line, sizeof line, "Error QZR2RIN = %d\n", ToInt(status));
  log.Write(line);
  log.Write("Name QZR file =\"");
  log.Write(inputName);
  log.Write("\"\n");
  log.Close();
}

}  // namespace qzr2rin
