#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The main application's answer to a terminal request, read as it arrives: progress lines, each
// acted on once its line feed is there, then "resp:OK" and at once the frame stream, or
// "resp:error:" and a reason that runs to the end of what has arrived. Bytes that start the
// buffer and are none of these are left alone: the answer is still pending, for good, and what
// arrives after them is not kept. A progress line too long to be any known step is dropped.
class AttachStream {
 public:
  enum class State { kPending, kAttached, kRefused };
  using ProgressHandler = std::function<void(const QByteArray& stepKey)>;

  // Appends what arrived and acts on everything whole.
  State feed(const QByteArray& bytes, const ProgressHandler& onProgress);

  // After kAttached: the bytes that followed "resp:OK", the start of the frame stream.
  QByteArray leftover() const;
  // After kRefused: "Error: " and the reason.
  QString errorText() const;
  // What is held, waiting for the rest of a line or an answer.
  int bufferedBytes() const { return buffer_.size(); }

 private:
  QByteArray buffer_;
  bool skippingLongLine_ = false;  // inside an over-long progress line, until its line feed
};
