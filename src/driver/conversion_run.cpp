#include "driver/conversion_run.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "decoders/qzr_file.h"
#include "driver/output_name.h"
#include "output/rinex2/navigation_files.h"
#include "output/rinex2/rinex.h"
#include "platform/files.h"
#include "platform/signals.h"

namespace qzr2rin {
namespace {

// Output files get a large buffer: the observation file is the hot path.
constexpr std::size_t kOutputBuffer = TRinex::kOutputBufferSize;

struct NavigationFile {
  NavigationSystem system;
  FileKind kind;
  const char* label;
};

constexpr std::array<NavigationFile, 3> kNavigationFiles = {{
    {NavigationSystem::Gps, FileKind::GpsNavigation, "Navigation  GPS  file - "},
    {NavigationSystem::Glonass, FileKind::GlonassNavigation, "Navigation GLONASS file - "},
    {NavigationSystem::Geo, FileKind::GeoNavigation, "Navigation WAAS file - "},
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
  // Text that explains a result; it ends in a line break.
  void Detail(const std::string& text) {
    if (verbose_ && !text.empty()) out_ << text << std::flush;
  }
  std::ostream* Progress() { return verbose_ ? &out_ : nullptr; }

 private:
  std::ostream& out_;
  bool verbose_;
};

// A base name is free only when none of the four files of one conversion
// exists under it, so that they always share it.
bool AllNamesFree(const OutputNames& names) {
  if (platform::FileExists(names.Path(FileKind::Observation))) return false;
  for (const NavigationFile& n : kNavigationFiles) {
    if (platform::FileExists(names.Path(n.kind))) return false;
  }
  return true;
}

// The files of one conversion, each under a temporary name until all are
// whole; the destructors remove whatever was not named.
struct StagedSet {
  platform::StagedFile observation;
  std::array<platform::StagedFile, kNavigationFiles.size()> navigation;  // as kNavigationFiles
};

// Writes one opened file of the set under its temporary name; a file that
// could not be written whole is removed.
template <typename Writer>
Status Stage(platform::StagedFile& file, const std::string& path, Writer write, Console& console) {
  Status written = write(file.File());
  if (!file.Finish()) {
    console.Line("Error writing " + path + ": " + std::strerror(file.LastError()));
    written = Status::OutputOpenFailed;
  }
  if (written != Status::Ok) file.Discard();
  return written;
}

// Names the files of the set together, never over an existing file. When
// another run took one of the names meanwhile, the names already given are
// taken back and the set moves on to the next free base name.
Status NameSet(StagedSet& set, OutputNames& names, const std::function<Status(OutputNames&)>& choose,
               Console& console) {
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    std::vector<std::pair<platform::StagedFile*, std::string>> files = {
        {&set.observation, names.Path(FileKind::Observation)}};
    for (std::size_t i = 0; i < kNavigationFiles.size(); ++i) {
      if (!set.navigation[i].TemporaryPath().empty()) {
        files.emplace_back(&set.navigation[i], names.Path(kNavigationFiles[i].kind));
      }
    }
    std::size_t named = 0;
    while (named < files.size() && files[named].first->NameNew(files[named].second)) ++named;
    if (named == files.size()) {
      if (attempt > 0) {
        console.Line("The name was taken meanwhile; the files are named after " + files.front().second);
      }
      return Status::Ok;
    }
    const int error = files[named].first->LastError();
    for (std::size_t i = named; i-- > 0;) files[i].first->TakeBackName();
    if (error != EEXIST) {
      console.Line("Error naming " + files[named].second + ": " + std::strerror(error));
      return Status::OutputOpenFailed;
    }
    if (const Status chosen = choose(names); chosen != Status::Ok) return chosen;
  }
  return Status::OutputOpenFailed;
}

// The end of every run that got as far as converting: the dump log is closed
// and named (unless memory ran out: then no file is left), the result and
// the facts behind it are shown.
int Conclude(TQZRFile& converter, Status status, Console& console) {
  if (status != Status::OutOfMemory) {
    Status dump = converter.FinishDumpLog();
    if (dump == Status::Ok) dump = converter.NameDumpLog();
    if (status == Status::Ok) status = dump;
  }
  console.Result(status);
  console.Detail(converter.ErrorDetail());
  return ToInt(status);
}

int Convert(const CommandLine& command, Console& console) {
  const ConversionOptions& options = command.options;
  TQZRFile converter(options);
  converter.SetConsole(console.Progress());
  if (converter.Outcome() != Status::Ok) {
    console.Result(converter.Outcome());
    console.Detail(converter.ErrorDetail());
    return ToInt(converter.Outcome());
  }
  const Status result = converter.Run();
  if (result != Status::Ok) return Conclude(converter, result, console);
  // With every system left out only the dump log was asked for.
  if (!options.useGps && !options.useGlonass && !options.useWaas) return Conclude(converter, result, console);
  if (converter.Statistics().outputEpochCount == 0) {
    converter.ErrorDetail() += "No epoch of the log lies in the selection\n";
    return Conclude(converter, Status::BadTimeTag, console);
  }

  const auto choose = [&](OutputNames& names, const std::function<bool(const OutputNames&)>& take) {
    return ChooseOutputNames(options.outputDirectory, converter.Collected().records.MarkerNameOf(nullptr),
                             converter.Statistics().firstOutputTime.seconds,
                             converter.Statistics().lastOutputTime.seconds, take, names);
  };
  // The first names are taken only where the observation file's temporary
  // can be created, as a directory that cannot hold it gives no name.
  StagedSet set;
  OutputNames names;
  const Status chosen = choose(names, [&](const OutputNames& tried) {
    return AllNamesFree(tried) && set.observation.Open(tried.Path(FileKind::Observation), kOutputBuffer);
  });
  if (chosen != Status::Ok) return Conclude(converter, chosen, console);
  const std::string path = names.Path(FileKind::Observation);

  const ObservationSet observations = CollectObservations(converter);
  TRinex rinex(observations, options.profilePath, options.verbose, options.statistics);
  console.Line("Observation file - " + path);
  const Status written = Stage(
      set.observation, path,
      [&](platform::OutputFile& file) {
        FileSink sink(file);
        return rinex.WriteObservationFile(sink, console.Progress());
      },
      console);
  if (written != Status::Ok) return Conclude(converter, written, console);

  // The observation header's scan found the satellites of the file.
  const SatellitesSeen& seen = rinex.Seen();
  for (std::size_t i = 0; i < kNavigationFiles.size(); ++i) {
    const NavigationFile& n = kNavigationFiles[i];
    if (!HasNavigationData(observations, n.system, seen)) continue;
    const std::string navigationPath = names.Path(n.kind);
    if (!set.navigation[i].Open(navigationPath, kOutputBuffer)) {
      return Conclude(converter, Status::OutputOpenFailed, console);
    }
    console.Line(n.label + navigationPath);
    const Status navigationWritten = Stage(
        set.navigation[i], navigationPath,
        [&](platform::OutputFile& file) {
          FileSink sink(file);
          return WriteNavigationFile(observations, n.system, seen, sink, console.Progress());
        },
        console);
    if (navigationWritten != Status::Ok) return Conclude(converter, navigationWritten, console);
  }

  // Every file is whole before any is named; the names are given with the
  // fatal signals held, so that a set is named whole or not at all.
  Status dump = converter.FinishDumpLog();
  if (dump == Status::Ok) {
    platform::HeldSignals held;
    dump = converter.NameDumpLog();
    if (dump == Status::Ok) {
      dump = NameSet(
          set, names, [&](OutputNames& next) { return choose(next, AllNamesFree); }, console);
    }
  }
  console.Result(dump);
  console.Detail(converter.ErrorDetail());
  return ToInt(dump);
}

}  // namespace

int RunConversion(const CommandLine& command, std::ostream& out) {
  Console console(out, command.options.verbose);
  try {
    return Convert(command, console);
  } catch (const std::bad_alloc&) {
    // The staged files went with the stack.
    console.Result(Status::OutOfMemory);
    return ToInt(Status::OutOfMemory);
  }
}

}  // namespace qzr2rin
