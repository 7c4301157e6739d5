#pragma once

#include <QByteArray>

// The most recent output of a shell, kept so that a tool that attaches again sees what it missed.
// Memory stays bounded: older bytes are dropped once more than the capacity has arrived.
class OutputHistory {
 public:
  explicit OutputHistory(int capacity) : capacity_(capacity) {}

  void append(const QByteArray& bytes);
  // At most the capacity's worth of the latest output. Once bytes have been dropped the replay
  // starts after the first line end, so it does not open in the middle of a line or an escape
  // sequence.
  QByteArray replay() const;
  int capacity() const { return capacity_; }

 private:
  int capacity_;
  bool truncated_ = false;
  QByteArray bytes_;
};
