#include "rezizezevud_cmd/terminal/stdin_reader.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/testing/local_socket_pair.h"

namespace {

using Clock = std::chrono::steady_clock;

class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe(fds_), 0); }
  ~Pipe() {
    closeWrite();
    ::close(fds_[0]);
  }
  int readFd() const { return fds_[0]; }
  int unread() const {
    int n = 0;
    return ioctl(fds_[0], FIONREAD, &n) == 0 ? n : -1;
  }
  void write(const QByteArray& bytes) {
    ASSERT_EQ(::write(fds_[1], bytes.constData(), bytes.size()), bytes.size());
  }
  void closeWrite() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

bool waitReadable(platform::Waitable handle, int timeoutMs) {
  pollfd p{static_cast<int>(handle), POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1;
}

QByteArray letters(int size) {
  QByteArray data;
  for (int i = 0; i < size; ++i) data.append(static_cast<char>('a' + i % 26));
  return data;
}

// Takes chunks until the total reaches size bytes or the reader fails.
QByteArray collect(StdinReader& reader, int size, std::vector<int>* chunkSizes, QString& error) {
  QByteArray all;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (all.size() < size && Clock::now() < deadline) {
    if (!waitReadable(reader.queueReady(), 1000)) continue;
    std::deque<QByteArray> chunks;
    if (!reader.takeQueued(chunks, error)) break;
    for (const QByteArray& chunk : chunks) {
      if (chunkSizes != nullptr) chunkSizes->push_back(chunk.size());
      all += chunk;
    }
  }
  return all;
}

TEST(StdinReader, QueuesNormalizedChunksAndWakesTheTakerForEach) {
  Pipe input;
  StdinReader reader(input.readFd());
  input.write("held\n");
  // Nothing is read before start: the unlock password may be read from the same input first.
  EXPECT_FALSE(waitReadable(reader.queueReady(), 100));
  reader.start();
  QString error;
  EXPECT_EQ(collect(reader, 5, nullptr, error), QByteArray("held\r"));
  input.write("ls\r");
  EXPECT_EQ(collect(reader, 3, nullptr, error), QByteArray("ls\r"));
  input.write("\npwd\n");
  EXPECT_EQ(collect(reader, 4, nullptr, error), QByteArray("pwd\r"));
  EXPECT_TRUE(error.isEmpty());
  // Taking clears the wake-up until something new is queued.
  EXPECT_FALSE(waitReadable(reader.queueReady(), 50));
}

TEST(StdinReader, LargeInputArrivesInOrderInChunksOfAtMost4096) {
  Pipe input;
  StdinReader reader(input.readFd());
  reader.start();
  const QByteArray data = letters(20000);
  std::thread writer([&] {
    input.write(data);
    input.closeWrite();
  });
  std::vector<int> sizes;
  QString error;
  EXPECT_EQ(collect(reader, data.size(), &sizes, error), data);
  writer.join();
  EXPECT_GE(sizes.size(), 5u);
  for (int size : sizes) EXPECT_LE(size, 4096);
  EXPECT_TRUE(error.isEmpty());
}

TEST(StdinReader, EndOfInputIsQuietAndKeepsQueuedChunks) {
  Pipe input;
  StdinReader reader(input.readFd());
  input.write("last\n");
  input.closeWrite();
  reader.start();
  QString error;
  EXPECT_EQ(collect(reader, 5, nullptr, error), QByteArray("last\r"));
  std::deque<QByteArray> chunks;
  EXPECT_TRUE(reader.takeQueued(chunks, error));
  EXPECT_TRUE(chunks.empty());
  EXPECT_TRUE(error.isEmpty());
}

TEST(StdinReader, ReadErrorIsReportedWithTheErrorNumber) {
  const int directory = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  StdinReader reader(directory);
  reader.start();
  ASSERT_TRUE(waitReadable(reader.queueReady(), 5000));
  std::deque<QByteArray> chunks;
  QString error;
  EXPECT_FALSE(reader.takeQueued(chunks, error));
  EXPECT_EQ(error, QStringLiteral("Error: failed to read redirected stdin (%1)").arg(EISDIR));
  reader.stop();
  close(directory);
}

TEST(StdinReader, StopEndsTheThreadWhileItWaitsAndBetweenReads) {
  Pipe idle;
  {
    StdinReader reader(idle.readFd());
    reader.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    reader.stop();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  }
  // A stop that comes before the thread reaches its first read still ends it.
  Pipe busy;
  busy.write("x");
  for (int i = 0; i < 50; ++i) {
    StdinReader reader(busy.readFd());
    reader.start();
    const auto start = Clock::now();
    reader.stop();
    ASSERT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "round " << i;
  }
}

TEST(StdinReader, ReadingPausesWhileTheQueueIsFullAndResumesAsItIsTaken) {
  constexpr int kLimit = 16 * 1024;
  const QByteArray data = letters(60 * 1024);  // fits into the pipe at once
  Pipe input;
  input.write(data);
  StdinReader reader(input.readFd(), kLimit);
  reader.start();
  ASSERT_TRUE(waitReadable(reader.queueReady(), 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int held = data.size() - input.unread();
  EXPECT_GE(held, kLimit);
  EXPECT_LE(held, kLimit + static_cast<int>(StdinReader::kChunkSize));

  // A bounded take leaves the rest queued and the wake-up set for it.
  std::deque<QByteArray> chunks;
  QString error;
  ASSERT_TRUE(reader.takeQueued(chunks, error, 5000));
  EXPECT_EQ(chunks.size(), 2u);
  EXPECT_TRUE(waitReadable(reader.queueReady(), 0));
  QByteArray all;
  for (const QByteArray& chunk : chunks) all += chunk;
  all += collect(reader, data.size() - all.size(), nullptr, error);
  EXPECT_EQ(all, data);
  EXPECT_EQ(input.unread(), 0);
  EXPECT_TRUE(error.isEmpty());
}

TEST(StdinReader, StopEndsTheThreadWhileTheQueueIsFull) {
  Pipe input;
  input.write(letters(32 * 1024));
  StdinReader reader(input.readFd(), 8 * 1024);
  reader.start();
  ASSERT_TRUE(waitReadable(reader.queueReady(), 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_GT(input.unread(), 0) << "the reader did not stop at its limit";
  const auto start = Clock::now();
  reader.stop();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
}

// Hangs up on the tool unless cancelled in time, so that a drain which waits for the peer fails
// the test instead of hanging it.
class HangUpUnlessCancelled {
 public:
  HangUpUnlessCancelled(LocalSocketPair& pair, std::chrono::milliseconds limit)
      : thread_([this, &pair, limit] {
          std::unique_lock<std::mutex> guard(lock_);
          if (!cancelled_cv_.wait_for(guard, limit, [this] { return cancelled_; })) pair.closePeer();
        }) {}
  ~HangUpUnlessCancelled() { cancel(); }
  void cancel() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      cancelled_ = true;
    }
    cancelled_cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable cancelled_cv_;
  bool cancelled_ = false;
  std::thread thread_;
};

// The peer reads nothing for a while: draining must neither block nor pile the input up in the
// socket, and once the peer reads, every chunk arrives as its own kStdin frame, in order.
TEST(DrainStdinQueue, TopsTheSocketUpWithoutWaitingForThePeer) {
  const QByteArray data = letters(3 * 1024 * 1024);
  Pipe input;
  std::thread writer([&] {
    input.write(data);
    input.closeWrite();
  });
  LocalSocketPair pair;
  StdinReader reader(input.readFd());
  reader.start();
  QString error;
  HangUpUnlessCancelled watchdog(pair, std::chrono::seconds(3));
  const auto stalledUntil = Clock::now() + std::chrono::milliseconds(300);
  while (Clock::now() < stalledUntil) {
    waitReadable(reader.queueReady(), 20);
    const auto start = Clock::now();
    ASSERT_TRUE(drainStdinQueue(reader, pair.tool(), error));
    ASSERT_LT(Clock::now() - start, std::chrono::seconds(1)) << "the drain waited";
    EXPECT_LE(pair.tool().bytesToWrite(), kMaxUnsentStdin + 4096 + 20);
  }
  watchdog.cancel();

  FrameReceiveBuffer frames;
  QByteArray received;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (received.size() < data.size() && Clock::now() < deadline) {
    ASSERT_TRUE(drainStdinQueue(reader, pair.tool(), error));
    frames.append(pair.received(10));
    QByteArray bytes;
    while (frames.takeRecord(bytes)) {
      TerminalFrame frame;
      ASSERT_TRUE(decodeFrame(bytes, frame));
      ASSERT_EQ(frame.type, kStdin);
      ASSERT_LE(frame.payload.size(), static_cast<int>(StdinReader::kChunkSize));
      received += frame.payload;
    }
  }
  writer.join();
  EXPECT_TRUE(received == data) << "received " << received.size() << " of " << data.size();
  EXPECT_TRUE(error.isEmpty());
}

}  // namespace
