#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "output/byte_sink.h"

namespace qzr2rin {

// Large enough that handing a block over costs nothing next to filling it.
inline constexpr std::size_t kWorkerBlock = std::size_t{1} << 20;

// Hands what is written, in blocks of blockSize bytes, to a thread of its own
// that writes them into next in order, so that the stages behind it (compact
// RINEX, gzip) run beside the formatting. At most kQueued blocks wait besides
// the one being filled; a writer that gets that far ahead waits. The buffers
// go round, so no block is allocated once all exist.
//
// next is used only by the worker until Flush, which hands on the last block,
// waits for the worker to write everything and then flushes next itself.
// Whatever the worker's Write throws is thrown again here at the next Write
// or Flush (once; afterwards bytes are dropped and Flush is false).
// Destroying the sink without Flush abandons the blocks still queued.
class WorkerSink final : public ByteSink {
 public:
  explicit WorkerSink(ByteSink& next, std::size_t blockSize = kWorkerBlock);
  ~WorkerSink() override;
  WorkerSink(const WorkerSink&) = delete;
  WorkerSink& operator=(const WorkerSink&) = delete;

  void Write(std::string_view bytes) override;
  bool Flush() override;

 private:
  static constexpr std::size_t kQueued = 2;

  void HandOver();
  void RethrowWorkerError();
  void Run();

  ByteSink& next_;
  const std::size_t blockSize_;
  std::string filling_;
  std::mutex mutex_;
  std::condition_variable queued_;   // the worker waits for a block or stop
  std::condition_variable written_;  // the writer waits for room or an empty queue
  // A ring: blocks [first_, first_ + count_) wait or are being written; the
  // worker's block stays counted until it is written, so that no writer swaps
  // it out underneath.
  std::array<std::string, kQueued> ring_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  bool stop_ = false;
  std::exception_ptr error_;
  std::atomic<bool> failed_ = false;
  bool errorThrown_ = false;
  std::thread worker_;
};

}  // namespace qzr2rin
