// The worker stage: bytes arrive whole and in order on the other thread,
// its failures reach the writer, and it never outlives the sink.

#include "output/worker_sink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <string>
#include <thread>

namespace qzr2rin {
namespace {

constexpr std::size_t kBlock = 16;

// Keeps what it is given and notes which thread gave it; optionally slow, so
// that the queue fills, or throwing from its n-th write on.
class RecordingSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override {
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    if (++writes >= throwAt && throwAt > 0) throw std::bad_alloc();
    if (std::this_thread::get_id() == writer) wroteOnWriterThread = true;
    text.append(bytes);
  }
  bool Flush() override {
    ++flushes;
    return flushResult;
  }

  std::thread::id writer = std::this_thread::get_id();
  std::chrono::milliseconds delay{0};
  int throwAt = 0;
  bool flushResult = true;
  int writes = 0;
  int flushes = 0;
  bool wroteOnWriterThread = false;
  std::string text;
};

std::string Text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text.push_back(static_cast<char>('A' + i % 53));
  return text;
}

TEST(WorkerSink, BytesOfOddWritesArriveWholeAndInOrderOnTheOtherThread) {
  const std::size_t kSizes[] = {1, 3, kBlock - 1, kBlock, kBlock + 1, 7 * kBlock + 5, 2, 40 * kBlock};
  for (const bool slow : {false, true}) {
    SCOPED_TRACE(slow ? "slow next, the writer waits" : "fast next");
    RecordingSink next;
    if (slow) next.delay = std::chrono::milliseconds(1);
    std::string expected;
    {
      WorkerSink sink(next, kBlock);
      std::size_t at = 0;
      for (int round = 0; round < 3; ++round) {
        for (const std::size_t size : kSizes) {
          const std::string piece = Text(at + size).substr(at);
          sink.Write(piece);
          expected += piece;
          at += size;
        }
      }
      EXPECT_TRUE(sink.Flush());
      EXPECT_EQ(next.text, expected);
      // Flushing again after more bytes: the sink goes on.
      sink.Write("tail");
      expected += "tail";
      EXPECT_TRUE(sink.Flush());
    }
    EXPECT_EQ(next.text, expected);
    EXPECT_FALSE(next.wroteOnWriterThread);
    EXPECT_EQ(next.flushes, 2);
  }
}

TEST(WorkerSink, FlushReturnsWhatNextSays) {
  for (const bool nextResult : {true, false}) {
    SCOPED_TRACE(nextResult);
    RecordingSink next;
    next.flushResult = nextResult;
    WorkerSink sink(next, kBlock);
    sink.Write(Text(5 * kBlock + 3));
    EXPECT_EQ(sink.Flush(), nextResult);
  }
}

TEST(WorkerSink, AnExceptionInTheWorkerIsThrownInTheWriter) {
  struct Case {
    const char* name;
    std::size_t size;  // written before Flush
  };
  // Thrown where the writer next meets the sink: in a Write, or in Flush
  // when the failing block was the last.
  const Case kCases[] = {{"many blocks", 100 * kBlock}, {"one short block", kBlock / 2}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordingSink next;
    next.throwAt = 1;
    WorkerSink sink(next, kBlock);
    const std::string text = Text(c.size);
    EXPECT_THROW(
        {
          for (std::size_t at = 0; at < text.size(); at += 3)
            sink.Write(std::string_view(text).substr(at, 3));
          sink.Flush();
        },
        std::bad_alloc);
    // Once thrown, the lost bytes are reported, not thrown again.
    sink.Write("more");
    EXPECT_FALSE(sink.Flush());
    EXPECT_EQ(next.flushes, 0);
  }
}

TEST(WorkerSink, DestroyingWithoutFlushStopsTheWorker) {
  struct Case {
    const char* name;
    int throwAt;
  };
  const Case kCases[] = {{"queue full behind a slow next", 0}, {"worker failed", 2}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordingSink next;
    next.delay = std::chrono::milliseconds(2);
    next.throwAt = c.throwAt;
    {
      WorkerSink sink(next, kBlock);
      try {
        sink.Write(Text(3 * kBlock));
      } catch (const std::bad_alloc&) {
        // The worker may fail before the last block is handed over; the
        // writer then gives up as on any exception of its own.
      }
    }
    // The thread is joined: next is no longer touched.
    const int writes = next.writes;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(next.writes, writes);
    EXPECT_EQ(next.flushes, 0);
  }
}

}  // namespace
}  // namespace qzr2rin
