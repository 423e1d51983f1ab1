// One whole conversion per input, as the program runs it: the bytes become a
// log file, the last byte chooses the switches (low four bits), whether the
// message checksums are left as they are (0x10), quiet mode (0x20) and a
// second conversion that must repeat the first exactly (0x40). Every file
// the conversion makes lands in a private directory and is removed before
// the next input, so that each input converts exactly as it would in a
// process of its own.

#include <stdlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/process_flags.h"
#include "driver/conversion_run.h"
#include "driver/options.h"
#include "support/qzr_writer.h"

namespace {

// Swallows the console without refusing it: the formatting behind the
// progress dots, file names and statistics still runs.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Identifier characters and length digits as the message framing reads them.
bool IsIdByte(std::uint8_t b) { return b >= 0x30 && b <= 0x7E; }
int LengthDigit(std::uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// Messages whose bodies end in a CRC-16 instead of the checksum byte, and
// those with no binary integrity byte at all (text, or checked otherwise).
bool HasCrc(std::uint8_t a, std::uint8_t b) { return a == 'r' && (b == 'E' || b == 'M'); }
bool HasNoChecksumByte(std::uint8_t a, std::uint8_t b) {
  static constexpr std::array<std::string_view, 6> kIds = {"QZ", "MF", "PM", "RE", "ER", "PA"};
  for (const std::string_view id : kIds) {
    if (a == static_cast<std::uint8_t>(id[0]) && b == static_cast<std::uint8_t>(id[1])) return true;
  }
  return false;
}

// Rewrites the integrity bytes of every message that frames cleanly, so that
// mutated bodies reach the decoders instead of stopping at the checksum gate.
void RepairChecksums(std::vector<std::uint8_t>& log) {
  constexpr std::size_t kHeader = 5;
  std::size_t p = 0;
  while (p + kHeader <= log.size()) {
    int length = 0;
    bool framed = IsIdByte(log[p]) && IsIdByte(log[p + 1]);
    for (std::size_t i = 2; framed && i < kHeader; ++i) {
      const int digit = LengthDigit(log[p + i]);
      framed = digit >= 0;
      length = length * 16 + digit;
    }
    const std::size_t end = p + kHeader + static_cast<std::size_t>(length);
    if (!framed || length == 0 || end > log.size()) {
      ++p;
      continue;
    }
    const std::uint8_t a = log[p];
    const std::uint8_t b = log[p + 1];
    if (HasCrc(a, b)) {
      if (length >= 2) {
        const std::uint16_t crc = qzrtest::Crc16(&log[p], end - p - 2);
        log[end - 2] = static_cast<std::uint8_t>(crc & 0xFF);
        log[end - 1] = static_cast<std::uint8_t>(crc >> 8);
      }
    } else if (a == 'M' && b == 'F') {
      if (length >= 2) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::uint8_t sum = qzrtest::Checksum8(&log[p], end - p - 2);
        log[end - 2] = static_cast<std::uint8_t>(kHex[sum >> 4]);
        log[end - 1] = static_cast<std::uint8_t>(kHex[sum & 0x0F]);
      }
    } else if (!HasNoChecksumByte(a, b)) {
      log[end - 1] = qzrtest::Checksum8(&log[p], end - p - 1);
    }
    p = end;
  }
}

// The switch sets an input can choose, besides -i and -o.
struct SwitchSet {
  std::vector<const char*> words;
  bool profile = false;
};

const std::vector<SwitchSet>& SwitchSets() {
  static const std::vector<SwitchSet> kSets = {
      {{}},
      {{"-l"}},
      {{"-S", "-O", "-~", "--crx"}},
      {{"-I", "30"}},
      {{"-s", "01", "-f", "0110"}},
      {{"-s", "010204d100000.50", "-l"}},
      {{"-G", "-g", "5", "-R"}},
      {{"-r", "3", "-W", "-w", "20", "-g", "12"}},
      {{"-1", "-D", "-S"}},
      {{"-2", "-e", "-O", "--rinex", "3", "--crx", "--gzip"}},
      {{"-d", "2", "-e"}},
      {{"-t", "-M", "FUZZ SITE", "-m", "42", "-l"}, true},
      {{"-G", "-R", "-W", "-l"}},
      {{"-I", "1", "-d", "2"}},
      {{"-f", "01d12", "-S", "-~"}, true},
      {{"-I", "0.5", "-O", "-l", "-e"}},
  };
  return kSets;
}

constexpr std::string_view kProfile =
    "[QZR2RIN]\nRUN BY = fuzz\nOBSERVER = nobody\nAGENCY = none\nANT # = 0002\nANT TYPE = QZRDOME_E\n"
    "ANT DELTA H = 1.234\nANT DELTA E = 0.123\nANT DELTA N = 0.020\nMARKER NAME=Fuzz Marker\nMARKER "
    "NUMBER=359\n";

// The private directory, made once per process and removed at its end.
class WorkDirectory {
 public:
  WorkDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/qzr2rin-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~WorkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  WorkDirectory(const WorkDirectory&) = delete;
  WorkDirectory& operator=(const WorkDirectory&) = delete;

  const std::string& path() const { return path_; }

  // Removes every file a conversion left; a file that cannot be removed
  // would change the next conversion's output names, so it stops the run.
  void Clear() const {
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      std::error_code error;
      std::filesystem::remove_all(entry.path(), error);
      if (error) {
        std::fprintf(stderr, "cannot remove %s: %s\n", entry.path().c_str(), error.message().c_str());
        std::abort();
      }
    }
  }

 private:
  std::string path_;
};

// Every file in the directory with its content, by name.
std::map<std::string, std::string> Contents(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

const WorkDirectory& Work() {
  static const WorkDirectory dir;
  return dir;
}

void WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The header's creation date comes from the clock; fix it so that an
  // input converts the same whenever it runs.
  static const bool clockFixed = setenv("SOURCE_DATE_EPOCH", "1075680000", 1) == 0;
  (void)clockFixed;

  if (size == 0) return 0;
  const WorkDirectory& work = Work();
  const std::uint8_t selector = data[size - 1];
  std::vector<std::uint8_t> log(data, data + size - 1);
  // Mostly repaired: a damaged message is still worth an input now and then.
  if ((selector & 0x10) == 0) RepairChecksums(log);

  const SwitchSet& set = SwitchSets()[(selector & 0x0F) % SwitchSets().size()];
  const std::string input = work.path() + "/site.qzr";
  const std::string profile = work.path() + "/site.ini";
  const auto prepare = [&] {
    WriteWhole(input, log.data(), log.size());
    if (set.profile)
      WriteWhole(profile, reinterpret_cast<const std::uint8_t*>(kProfile.data()), kProfile.size());
  };
  prepare();

  std::vector<std::string> words = {"qzr2rin", "-i", input, "-o", work.path()};
  if (set.profile) words.insert(words.end(), {"-p", profile});
  for (const char* w : set.words) words.emplace_back(w);
  if ((selector & 0x20) != 0) words.emplace_back("-q");

  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);

  const auto convert = [&] {
    DiscardBuffer discard;
    std::ostream console(&discard);
    const qzr2rin::CommandLine command =
        qzr2rin::ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), console, console);
    int code = command.exitCode;
    if (command.convert) {
      // The process-wide switches come from this input's command line alone.
      qzr2rin::SetFlags(command.flags);
      code = qzr2rin::RunConversion(command, console);
    }
    qzr2rin::SetFlags({});
    return code;
  };

  const int code = convert();
  // Now and then the same input again in the same process: any state that
  // outlives a conversion shows as a different exit code or output.
  if ((selector & 0x40) != 0) {
    const auto first = Contents(work.path());
    work.Clear();
    prepare();
    const int again = convert();
    const auto second = Contents(work.path());
    if (again != code || second != first) {
      std::fprintf(stderr,
                   "the second conversion of one input differs: exit %d then %d, %zu then %zu files\n", code,
                   again, first.size(), second.size());
      std::abort();
    }
  }
  work.Clear();
  return 0;
}
