#include "driver/conversion_run.h"

#include <array>
#include <cstring>
#include <string>

#include "driver/messages.h"
#include "driver/output_name.h"
#include "input/qzr_file.h"
#include "nav/navigation_files.h"
#include "platform/files.h"
#include "rinex/rinex.h"

namespace qzr2rin {
namespace {

// Output files get a large buffer: the observation file is the hot path.
constexpr std::size_t kOutputBuffer = TRinex::kOutputBufferSize;

struct NavigationFile {
  NavigationSystem system;
  char type;
  const char* label;
};

constexpr std::array<NavigationFile, 3> kNavigationFiles = {{
    {NavigationSystem::Gps, 'N', "Navigation  GPS  file - "},
    {NavigationSystem::Glonass, 'G', "Navigation GLONASS file - "},
    {NavigationSystem::Geo, 'H', "Navigation WAAS file - "},
}};

class Console {
 public:
  Console(std::ostream& out, bool verbose) : out_(out), verbose_(verbose) {}
  void Result(Status status) {
    if (verbose_) out_ << ErrorText(status) << '\n' << std::flush;
  }
  void Line(std::string_view text) {
    if (verbose_) out_ << text << '\n' << std::flush;
  }
  std::ostream* Progress() { return verbose_ ? &out_ : nullptr; }

 private:
  std::ostream& out_;
  bool verbose_;
};

// A base name is taken only when no navigation file of that name exists
// either, so that the four files of one conversion always share it.
bool TakeObservationName(const std::string& path, platform::OutputFile& file) {
  for (const NavigationFile& n : kNavigationFiles) {
    if (platform::FileExists(NavigationName(path, n.type))) return false;
  }
  return file.Open(path, platform::OpenMode::Exclusive, kOutputBuffer);
}

// Closes a file that was written; one that could not be written whole is
// removed, so that no truncated file passes for a complete one.
Status Finish(platform::OutputFile& file, const std::string& path, Console& console) {
  if (file.Close()) return Status::Ok;
  console.Line("Error writing " + path + ": " + std::strerror(file.LastError()));
  platform::RemoveFile(path);
  return Status::OutputOpenFailed;
}

}  // namespace

int RunConversion(const CommandLine& command, std::ostream& out) {
  const ConversionOptions& options = command.options;
  Console console(out, options.verbose);
  TQZRFile converter(options);
  converter.console = console.Progress();
  if (converter.status != Status::Ok) {
    console.Result(converter.status);
    if (!converter.errorDetail.empty() && options.verbose) out << converter.errorDetail << std::flush;
    return ToInt(converter.status);
  }
  const Status result = converter.Run();
  if (result != Status::Ok) {
    console.Result(result);
    // A fatal status may carry the facts that explain it.
    if (!converter.errorDetail.empty() && options.verbose) out << converter.errorDetail << std::flush;
    return ToInt(result);
  }
  const bool allExcluded = !options.useGps && !options.useGlonass && !options.useWaas;
  if (allExcluded || converter.outputEpochCount == 0) {
    console.Result(Status::Ok);
    return 0;
  }

  platform::OutputFile observation;
  std::string path;
  const Status named = ChooseObservationName(
      options.outputDirectory, converter.records.MarkerNameOf(nullptr), converter.firstOutputTime.seconds,
      converter.lastOutputTime.seconds, [&](const std::string& name) { return TakeObservationName(name, observation); },
      path);
  if (named != Status::Ok) {
    console.Result(named);
    return ToInt(named);
  }

  TRinex rinex(converter, options.profilePath, options.verbose, options.statistics);
  console.Line("Observation file - " + path);
  Status written = rinex.WriteObservationFile(observation, console.Progress());
  const Status closed = Finish(observation, path, console);
  if (written == Status::Ok) written = closed;
  if (written != Status::Ok) {
    console.Result(written);
    return ToInt(written);
  }

  // The observation header's scan found the satellites of the file.
  const SatellitesSeen& seen = rinex.Seen();
  for (const NavigationFile& n : kNavigationFiles) {
    if (!HasNavigationData(converter, n.system, seen)) continue;
    const std::string navigationPath = NavigationName(path, n.type);
    platform::OutputFile navigation;
    if (!navigation.Open(navigationPath, platform::OpenMode::Exclusive, kOutputBuffer)) {
      console.Result(Status::OutputOpenFailed);
      return ToInt(Status::OutputOpenFailed);
    }
    console.Line(n.label + navigationPath);
    Status navigationWritten = WriteNavigationFile(converter, n.system, seen, navigation);
    const Status navigationClosed = Finish(navigation, navigationPath, console);
    if (navigationWritten == Status::Ok) navigationWritten = navigationClosed;
    if (navigationWritten != Status::Ok) {
      console.Result(navigationWritten);
      return ToInt(navigationWritten);
    }
  }
  console.Result(result);
  return ToInt(result);
}

}  // namespace qzr2rin
