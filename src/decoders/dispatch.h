#pragma once

#include <span>

#include "base/status.h"
#include "input/body_reader.h"

namespace qzr2rin {

class TQZRFile;

using Decoder = Status (*)(TQZRFile& f, Body body, int first, int second);

// One identifier and the decoder it goes to, with the decoder's signal
// index or variant number.
struct Route {
  char id[2];
  Decoder decoder;
  int first = 0;
  int second = 0;
};

// Every identifier the converter knows, in one table.
std::span<const Route> Routes();
// The route of an identifier, or null for an unknown one.
const Route* FindRoute(char id0, char id1);

// Writes the message's dump line and hands the current message of the
// scanner to its decoder. 0: go on; 15: integrity failure, resynchronise;
// anything else ends the conversion with that status.
Status Dispatch(TQZRFile& f);

}  // namespace qzr2rin
