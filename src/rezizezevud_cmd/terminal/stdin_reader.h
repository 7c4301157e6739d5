#pragma once

#include <QByteArray>
#include <QString>
#include <deque>
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
// sends them, woken by queueReady() whenever there is something to take.
class StdinReader {
 public:
  static constexpr std::size_t kChunkSize = 4096;

  explicit StdinReader(platform::ConsoleHandle input);
  // Stops and joins the thread.
  ~StdinReader();
  StdinReader(const StdinReader&) = delete;
  StdinReader& operator=(const StdinReader&) = delete;

  // Starts the thread once. Until then nothing is read, so the session may read the unlock
  // password from the same input first.
  void start();
  // Readable while chunks or a read error wait to be taken.
  platform::Waitable queueReady() const { return queued_.waitable(); }
  // Moves the queued chunks out, oldest first. False when the reader has failed; errorText then
  // holds the message and the chunks still queued are dropped.
  bool takeQueued(std::deque<QByteArray>& chunks, QString& errorText);
  // Ends the thread, also while it waits for input or between two reads, and joins it.
  void stop();

 private:
  void readStdinLoop();
  void push(QByteArray chunk);
  void fail(const QString& errorText);

  platform::ConsoleHandle input_;
  platform::StoppableRead source_;
  platform::WakeSignal queued_;
  std::mutex lock_;
  std::deque<QByteArray> queue_;  // guarded by lock_
  QString errorText_;             // guarded by lock_
  bool pendingCr_ = false;        // reader thread only
  bool started_ = false;          // owner's thread only
  std::thread thread_;
};

// Sends every queued chunk as its own kStdin frame. False when the reader reported a read error
// (errorText set) or a frame could not be sent (errorText empty; the send error is printed).
bool drainStdinQueue(StdinReader& reader, QLocalSocket& socket, QString& errorText);

// Stops the reader's thread and destroys it; does nothing without a reader.
void stopStdinReader(std::unique_ptr<StdinReader>& reader);
