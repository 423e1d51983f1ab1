#include "input/program_log.h"

#include <cstdio>

#include "base/messages.h"
#include "base/time_units.h"
#include "platform/clock.h"
#include "platform/streams.h"

namespace qzr2rin {
namespace {

// Far more than the longest formatted line of a record.
constexpr std::size_t kLineSize = 128;

}  // namespace

std::string ProgramLogPath() { return platform::TemporaryDirectory() + "QZR2RIN.log"; }

void AppendProgramLog(const std::string& inputName, std::uint32_t lastError, Status status) {
  const platform::CalendarTime now = platform::WallClockNow();
  char line[kLineSize];
  std::string record = "------------------------------------------------------------------\n";
  std::snprintf(line, sizeof line, "                 %02d-%3.3s-%02d %02d:%02d\n", now.day,
                MonthAbbreviation(now.month).data(), TwoDigitYear(now.year), now.hour, now.minute);
  record += line;
  record += BannerLine();
  record += '\n';
  std::snprintf(line, sizeof line, "Last_Error = %u\n", static_cast<unsigned>(lastError));
  record += line;
  std::snprintf(line, sizeof line, "Error QZR2RIN = %d\n", ToInt(status));
  record += line;
  record += "Name QZR file =\"" + inputName + "\"\n";
  // The temporary directory is shared with other users: append only, never
  // through a symbolic link, and never into a FIFO or a device planted there,
  // which could hold the program forever. The conversion has already failed;
  // a record that cannot be written is dropped.
  platform::AppendToRegularFile(ProgramLogPath(), record);
}

}  // namespace qzr2rin
