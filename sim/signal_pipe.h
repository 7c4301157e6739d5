#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGCHLD into Qt signals: the handler only writes the signal number
// to a pipe, and the event loop reads it. Create one, before any child is started.
class SignalPipe : public QObject {
  Q_OBJECT
 public:
  explicit SignalPipe(QObject* parent = nullptr);
  ~SignalPipe() override;
  bool ok() const { return readFd_ >= 0; }

 signals:
  void terminationRequested(int signalNumber);
  void childExited();

 private:
  void drain();

  int readFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};
