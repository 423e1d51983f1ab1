#include "output/worker_sink.h"

#include <algorithm>
#include <utility>

namespace qzr2rin {

WorkerSink::WorkerSink(ByteSink& next, std::size_t blockSize)
    : next_(next), blockSize_(std::max<std::size_t>(blockSize, 1)) {
  filling_.reserve(blockSize_);
  for (auto& block : ring_) block.reserve(blockSize_);
  worker_ = std::thread([this] { Run(); });
}

WorkerSink::~WorkerSink() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  queued_.notify_one();
  worker_.join();
}

void WorkerSink::Write(std::string_view bytes) {
  if (failed_.load(std::memory_order_acquire)) {
    RethrowWorkerError();
    return;
  }
  while (!bytes.empty()) {
    const std::size_t taken = std::min(blockSize_ - filling_.size(), bytes.size());
    filling_.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (filling_.size() == blockSize_) HandOver();
  }
}

bool WorkerSink::Flush() {
  if (!filling_.empty()) HandOver();
  {
    std::unique_lock lock(mutex_);
    written_.wait(lock, [this] { return count_ == 0 || error_; });
  }
  if (failed_.load(std::memory_order_acquire)) {
    RethrowWorkerError();
    return false;
  }
  return next_.Flush();
}

void WorkerSink::HandOver() {
  {
    std::unique_lock lock(mutex_);
    written_.wait(lock, [this] { return count_ < kQueued || error_; });
    if (!error_) {
      // The slot's old buffer, emptied by the worker, becomes the one to fill.
      std::swap(filling_, ring_[(first_ + count_) % kQueued]);
      ++count_;
    }
  }
  filling_.clear();
  queued_.notify_one();
  if (failed_.load(std::memory_order_acquire)) RethrowWorkerError();
}

void WorkerSink::RethrowWorkerError() {
  if (errorThrown_) return;
  errorThrown_ = true;
  std::exception_ptr error;
  {
    const std::lock_guard lock(mutex_);
    error = error_;
  }
  std::rethrow_exception(error);
}

void WorkerSink::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return count_ > 0 || stop_; });
    if (stop_) return;
    std::string& block = ring_[first_];
    lock.unlock();
    try {
      next_.Write(block);
    } catch (...) {
      lock.lock();
      error_ = std::current_exception();
      failed_.store(true, std::memory_order_release);
      written_.notify_all();
      // Nothing more is written after a lost block.
      return;
    }
    block.clear();
    lock.lock();
    first_ = (first_ + 1) % kQueued;
    --count_;
    written_.notify_all();
  }
}

}  // namespace qzr2rin
