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
#include "driver/output_options.h"
#include "input/profile.h"
#include "output/encoded_sink.h"
#include "output/rinex2/navigation_files.h"
#include "output/rinex2/rinex.h"
#include "output/rinex3/navigation.h"
#include "output/rinex3/rinex3.h"
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

// The RINEX 2.10 navigation files, one per system.
constexpr std::array<NavigationFile, 3> kNavigationFiles = {{
    {NavigationSystem::Gps, FileKind::GpsNavigation, "Navigation  GPS  file - "},
    {NavigationSystem::Glonass, FileKind::GlonassNavigation, "Navigation GLONASS file - "},
    {NavigationSystem::Geo, FileKind::GeoNavigation, "Navigation WAAS file - "},
}};
constexpr const char* kMixedNavigationLabel = "Navigation mixed file - ";

// Every kind of file, in the order a set is named.
constexpr std::array<FileKind, 5> kFileKinds = {FileKind::Observation, FileKind::GpsNavigation,
                                                FileKind::GlonassNavigation, FileKind::GeoNavigation,
                                                FileKind::MixedNavigation};

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

// The first file of a conversion that exists under the names; empty when
// none does. A base name is free only when no file of one conversion exists
// under it, so that they always share it.
std::string TakenPath(const OutputNames& names) {
  for (const FileKind kind : kFileKinds) {
    if (platform::FileExists(names.Path(kind))) return names.Path(kind);
  }
  return {};
}

bool AllNamesFree(const OutputNames& names) { return TakenPath(names).empty(); }

// The files of one conversion, each under a temporary name until all are
// whole; the destructors remove whatever was not named.
struct StagedSet {
  std::array<platform::StagedFile, kFileKinds.size()> files;  // as kFileKinds
  platform::StagedFile& operator[](FileKind kind) { return files[static_cast<std::size_t>(kind)]; }
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
    std::vector<std::pair<platform::StagedFile*, std::string>> files;
    for (const FileKind kind : kFileKinds) {
      if (kind == FileKind::Observation || !set[kind].TemporaryPath().empty()) {
        files.emplace_back(&set[kind], names.Path(kind));
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

// How a run names its files: short names from the marker, or long names
// from the site and the data.
struct Naming {
  bool isLong = false;
  LongNameFacts facts;
  FileForms forms;
};

Status ChooseNames(const std::string& directory, const TQZRFile& converter, const Naming& naming,
                   const std::function<bool(const OutputNames&)>& take, OutputNames& names,
                   Console& console) {
  if (!naming.isLong) {
    return ChooseOutputNames(directory, converter.Collected().records.MarkerNameOf(nullptr),
                             converter.Statistics().firstOutputTime.seconds,
                             converter.Statistics().lastOutputTime.seconds, naming.forms, take, names);
  }
  // A long name has no sequence to move on to.
  const Status chosen = ChooseLongNames(directory, naming.facts, naming.forms, take, names);
  if (chosen == Status::OutputOpenFailed) {
    const std::string taken = TakenPath(OutputNames::Long(directory, naming.facts).In(naming.forms));
    if (!taken.empty()) console.Line("The file " + taken + " exists; it is left as it is");
  }
  return chosen;
}

// The site, the marker type and how the files are named; a bad value of the
// profile is a problem line.
Naming NamingOf(const CommandLine& command, const ObservationSet& observations, const TQZRFile& converter,
                SiteNaming& site, std::string& problem) {
  Naming naming;
  naming.forms = command.output.forms;
  // RINEX 2.10 with short names reads none of these keys.
  if (!command.output.LongNames() && !command.output.Rinex3()) return naming;
  site = ResolveSiteNaming(command.output, observations.Profile(),
                           StationCode(converter.Collected().records.MarkerNameOf(nullptr)), problem);
  if (!command.output.LongNames()) return naming;
  naming.isLong = true;
  naming.facts = {site.station, converter.Statistics().firstOutputTime.seconds,
                  converter.Statistics().lastOutputTime.seconds, observations.Header().intervalMs,
                  ObservationSystemLetter(observations, SatellitesInObservations(observations), true)};
  return naming;
}

// Writes the observation file in the asked-for version; `seen` gets the
// satellites it holds, for the navigation files.
Status WriteObservations(const CommandLine& command, const ObservationSet& observations,
                         const SiteNaming& site, platform::StagedFile& file, const std::string& path,
                         SatellitesSeen& seen, Console& console) {
  const ConversionOptions& options = command.options;
  return Stage(
      file, path,
      [&](platform::OutputFile& output) {
        EncodedSink sink(output, command.output.forms, true);
        Status written = Status::Ok;
        if (command.output.Rinex3()) {
          Rinex3Observations rinex(observations, {std::string(VersionText(command.output.version)),
                                                  site.markerType, options.verbose, options.statistics});
          written = rinex.Write(sink, console.Progress());
          seen = SatellitesInObservations(observations);
        } else {
          TRinex rinex(observations, options.verbose, options.statistics);
          written = rinex.WriteObservationFile(sink, console.Progress());
          // The observation header's scan found the satellites of the file.
          seen = rinex.Seen();
        }
        if (const std::string problem = sink.Problem(); !problem.empty()) {
          console.Line("Error writing " + path + ": " + problem);
        }
        return written;
      },
      console);
}

// One navigation file of the set, when there is data for it.
template <typename Writer>
Status WriteNavigation(StagedSet& set, FileKind kind, const OutputNames& names, FileForms forms,
                       const char* label, Writer write, Console& console) {
  const std::string path = names.Path(kind);
  if (!set[kind].Open(path, kOutputBuffer)) return Status::OutputOpenFailed;
  console.Line(label + path);
  return Stage(
      set[kind], path,
      [&](platform::OutputFile& file) {
        EncodedSink sink(file, forms, false);
        return write(sink);
      },
      console);
}

Status WriteNavigationFiles(const CommandLine& command, const ObservationSet& observations,
                            const SatellitesSeen& seen, StagedSet& set, const OutputNames& names,
                            Console& console) {
  if (command.output.Rinex3()) {
    if (!HasMixedNavigationData(observations, seen)) return Status::Ok;
    return WriteNavigation(
        set, FileKind::MixedNavigation, names, command.output.forms, kMixedNavigationLabel,
        [&](ByteSink& sink) {
          return WriteMixedNavigationFile(observations, seen, sink, console.Progress());
        },
        console);
  }
  for (const NavigationFile& n : kNavigationFiles) {
    if (!HasNavigationData(observations, n.system, seen)) continue;
    const Status written = WriteNavigation(
        set, n.kind, names, command.output.forms, n.label,
        [&](ByteSink& sink) {
          return WriteNavigationFile(observations, n.system, seen, sink, console.Progress());
        },
        console);
    if (written != Status::Ok) return written;
  }
  return Status::Ok;
}

// Long names and RINEX 3 take values from the profile: a bad one ends the
// run before the log is read.
bool ProfileValuesSound(const CommandLine& command, Console& console) {
  if (!command.output.LongNames() && !command.output.Rinex3()) return true;
  std::string problem;
  ResolveSiteNaming(command.output, TProfile(std::string(kProfileSection), command.options.profilePath), "",
                    problem);
  if (problem.empty()) return true;
  console.Result(Status::BadTimeTag);
  console.Detail(problem);
  return false;
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
  if (!ProfileValuesSound(command, console)) return ToInt(Status::BadTimeTag);
  const Status result = converter.Run();
  if (result != Status::Ok) return Conclude(converter, result, console);
  // With every system left out only the dump log was asked for.
  if (!options.useGps && !options.useGlonass && !options.useWaas) return Conclude(converter, result, console);
  if (converter.Statistics().outputEpochCount == 0) {
    converter.ErrorDetail() += "No epoch of the log lies in the selection\n";
    return Conclude(converter, Status::BadTimeTag, console);
  }

  const ObservationSet observations = CollectObservations(converter);
  SiteNaming site;
  std::string problem;
  const Naming naming = NamingOf(command, observations, converter, site, problem);
  if (!problem.empty()) {
    converter.ErrorDetail() += problem;
    return Conclude(converter, Status::BadTimeTag, console);
  }
  const auto choose = [&](OutputNames& names, const std::function<bool(const OutputNames&)>& take) {
    return ChooseNames(options.outputDirectory, converter, naming, take, names, console);
  };
  // The first names are taken only where the observation file's temporary
  // can be created, as a directory that cannot hold it gives no name.
  StagedSet set;
  OutputNames names;
  const Status chosen = choose(names, [&](const OutputNames& tried) {
    return AllNamesFree(tried) &&
           set[FileKind::Observation].Open(tried.Path(FileKind::Observation), kOutputBuffer);
  });
  if (chosen != Status::Ok) return Conclude(converter, chosen, console);
  const std::string path = names.Path(FileKind::Observation);

  console.Line("Observation file - " + path);
  SatellitesSeen seen{};
  const Status written =
      WriteObservations(command, observations, site, set[FileKind::Observation], path, seen, console);
  if (written != Status::Ok) return Conclude(converter, written, console);
  const Status navigation = WriteNavigationFiles(command, observations, seen, set, names, console);
  if (navigation != Status::Ok) return Conclude(converter, navigation, console);

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
