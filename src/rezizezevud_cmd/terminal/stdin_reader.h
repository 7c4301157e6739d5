#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/platform/event_wait.h"
#include "rezizezevud_cmd/platform/stoppable_read.h"

class QLocalSocket;

// Reads redirected standard input (a pipe or a file) on a thread of its own, so that a session
// never blocks on it, and queues it in chunks of at most 4096 bytes with its line ends turned into
// carriage returns. The thread never touches the socket: the session loop takes the chunks and
// sends them, woken by queueReady() whenever there is something to take. While the queue holds
// queueLimit bytes or more the thread reads nothing, so input that comes faster than the remote
// shell takes it waits in the pipe or file instead of in memory.
class StdinReader {
 public:
  static constexpr std::size_t kChunkSize = 4096;
  static constexpr std::size_t kQueueLimit = 1024 * 1024;

  explicit StdinReader(platform::ConsoleHandle input, std::size_t queueLimit = kQueueLimit);
  // Stops and joins the thread.
  ~StdinReader();
  StdinReader(const StdinReader&) = delete;
  StdinReader& operator=(const StdinReader&) = delete;

  // Starts the thread once. Until then nothing is read, so the session may read the unlock
  // password from the same input first.
  void start();
  // Readable while chunks or a read error wait to be taken.
  platform::Waitable queueReady() const { return queued_.waitable(); }
  // Moves queued chunks out, oldest first, until the ones taken hold maxBytes or more or none are
  // left; what is left keeps queueReady() readable. False when the reader has failed; errorText
  // then holds the message and the chunks still queued are dropped.
  bool takeQueued(std::deque<QByteArray>& chunks, QString& errorText,
                  std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
  // Ends the thread, also while it waits for input, for room in the queue or between two reads,
  // and joins it.
  void stop();

 private:
  void readStdinLoop();
  // Blocks while the queue is full; false when the reader is being stopped.
  bool waitForRoom();
  void push(QByteArray chunk);
  void fail(const QString& errorText);

  platform::ConsoleHandle input_;
  platform::StoppableRead source_;
  platform::WakeSignal queued_;
  const std::size_t queueLimit_;
  std::mutex lock_;
  std::condition_variable room_;  // signalled when chunks are taken or the reader is stopped
  std::deque<QByteArray> queue_;  // guarded by lock_
  std::size_t queuedBytes_ = 0;   // guarded by lock_
  QString errorText_;             // guarded by lock_
  bool stopping_ = false;         // guarded by lock_
  bool pendingCr_ = false;        // reader thread only
  bool started_ = false;          // owner's thread only
  std::thread thread_;
};

// Input frames written to the socket but not yet taken by the peer are kept to about this much:
// when the peer stops reading, the session goes on reading its output instead of blocking on
// the write.
constexpr std::int64_t kMaxUnsentStdin = 256 * 1024;

// Flushes what the socket still holds without waiting, then sends queued chunks, each as its own
// kStdin frame, until kMaxUnsentStdin bytes wait to be sent; the rest stays queued for a later
// call. False when the reader reported a read error (errorText set) or a frame could not be sent
// (errorText empty; the send error is printed).
bool drainStdinQueue(StdinReader& reader, QLocalSocket& socket, QString& errorText);

// Stops the reader's thread and destroys it; does nothing without a reader.
void stopStdinReader(std::unique_ptr<StdinReader>& reader);
