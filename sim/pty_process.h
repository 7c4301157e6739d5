#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <memory>
#include <string>
#include <vector>

// A program running on the slave side of a new pseudo-terminal, driven through the master side.
// The master is non-blocking and close-on-exec, so other shells never inherit it. Destroying the
// object ends the program (hang-up, then kill) and reaps it.
class PtyProcess {
 public:
  enum class ReadResult { kData, kWouldBlock, kClosed };

  // How an interrupt was delivered: by the terminal's own signal handling, or as an input byte
  // for a program that has switched signal characters off (the caller queues it with the rest).
  struct Interrupt {
    bool signalled = false;
    char inputByte = 0;
  };

  // argv[0] must be the program's full path. Null with error set when the terminal or the
  // process cannot be made; a program that fails to start exits 127 after saying why.
  static std::unique_ptr<PtyProcess> start(const std::vector<std::string>& argv,
                                           const std::string& workDir, int cols, int rows,
                                           std::string& error);
  ~PtyProcess();
  PtyProcess(const PtyProcess&) = delete;
  PtyProcess& operator=(const PtyProcess&) = delete;

  int masterFd() const { return master_; }
  pid_t pid() const { return pid_; }

  // Appends up to maxBytes of output.
  ReadResult read(QByteArray& out, int maxBytes);
  // Bytes the terminal took now (0 when its input queue is full); -1 when it is gone.
  long write(const char* data, long size);
  void resize(int cols, int rows);
  Interrupt interrupt();

  // Reaps the program when it has ended; true once it has (then exitCode is set).
  bool pollExit();
  // Hangs up, waits a little, then kills; always leaves the program reaped.
  void terminate();
  bool exited() const { return reaped_; }
  // The shell's status as a shell reports it: the exit status, or 128 + the signal.
  int exitCode() const { return exitCode_; }

 private:
  PtyProcess(int master, pid_t pid) : master_(master), pid_(pid) {}
  void recordStatus(int status);

  int master_;
  pid_t pid_;
  bool reaped_ = false;
  int exitCode_ = 0;
};
