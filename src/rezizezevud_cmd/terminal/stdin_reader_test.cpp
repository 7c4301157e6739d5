#include "rezizezevud_cmd/terminal/stdin_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

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
  QByteArray data;
  for (int i = 0; i < 20000; ++i) data.append(static_cast<char>('a' + i % 26));
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

}  // namespace
