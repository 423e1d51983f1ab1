#include "output/gzip_sink.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace qzr2rin {

void GzipSink::FreeCompressor::operator()(libdeflate_compressor* compressor) const {
  libdeflate_free_compressor(compressor);
}

GzipSink::GzipSink(ByteSink& next, int level, std::size_t blockSize)
    : next_(next),
      compressor_(libdeflate_alloc_compressor(level)),
      blockSize_(std::max<std::size_t>(blockSize, 1)) {
  // The level is the caller's constant, so a null compressor means memory ran out.
  if (!compressor_) throw std::bad_alloc();
  block_.reserve(blockSize_);
  member_.resize(libdeflate_gzip_compress_bound(compressor_.get(), blockSize_));
}

GzipSink::~GzipSink() = default;

void GzipSink::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t room = blockSize_ - block_.size();
    const std::size_t taken = std::min(room, bytes.size());
    block_.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (block_.size() == blockSize_) CompressBlock();
  }
}

bool GzipSink::Flush() {
  if (!block_.empty() || !wroteMember_) CompressBlock();
  const bool nextWhole = next_.Flush();
  return nextWhole && !failed_;
}

void GzipSink::CompressBlock() {
  const std::size_t size = libdeflate_gzip_compress(compressor_.get(), block_.data(), block_.size(),
                                                    member_.data(), member_.size());
  // The member buffer holds the bound for a whole block, so 0 never happens;
  // should it, the block is lost and Flush says so.
  if (size == 0) {
    failed_ = true;
  } else {
    next_.Write(std::string_view(member_).substr(0, size));
  }
  wroteMember_ = true;
  block_.clear();
}

}  // namespace qzr2rin
