#pragma once

#include <sys/types.h>
#include <termios.h>

#include <string>
#include <vector>

class ToolSandbox;

// Runs the sandboxed tool inside a pseudo-terminal that the test owns, the way a user at a
// terminal would: the terminal is the tool's controlling terminal and its standard streams. The
// test types into it, reads the screen, changes the window size (which sends SIGWINCH), and reads
// the terminal's settings from its own end to see what the tool left behind.

struct PtyOptions {
  int cols = 100;
  int rows = 30;
  // When set, standard input is this file (a pipe or file, not the terminal); output stays on it.
  std::string stdinPath;
};

class PtyDriver {
 public:
  PtyDriver(const ToolSandbox& sandbox, const std::vector<std::string>& args,
            const PtyOptions& options = PtyOptions());
  // Kills the tool if it is still running.
  ~PtyDriver();
  PtyDriver(const PtyDriver&) = delete;
  PtyDriver& operator=(const PtyDriver&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The settings of the terminal as they were before the tool started.
  const termios& initialSettings() const { return initial_; }
  // The settings now.
  termios settings() const;

  void type(const std::string& bytes);
  void resize(int cols, int rows);
  void signal(int signalNumber);

  // Everything the tool has written to the terminal so far.
  const std::string& screen();
  // Reads until the screen holds text after position from; false when the time runs out.
  bool waitForScreen(const std::string& text, int timeoutMs = 10000, std::size_t from = 0);

  // Waits for the tool to end. Its exit status, or -1 when it was ended by a signal (then
  // termSignal() names it) or is still running when the time is up.
  int wait(int timeoutMs = 10000);
  int termSignal() const { return termSignal_; }

 private:
  void readAvailable(int timeoutMs);

  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  int termSignal_ = 0;
  termios initial_{};
  std::string screen_;
};

// True when both settings are the same in every field a program can change.
bool sameTerminalSettings(const termios& a, const termios& b);
// A readable account of the differences, for failure messages.
std::string describeSettingsDifference(const termios& a, const termios& b);
