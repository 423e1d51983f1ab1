#pragma once

namespace qzr2rin {

// What the files are written as beyond RINEX text.
struct FileForms {
  bool compact = false;  // the observation file in compact RINEX (Hatanaka)
  bool gzip = false;     // every file gzipped

  bool Plain() const { return !compact && !gzip; }
};

}  // namespace qzr2rin
