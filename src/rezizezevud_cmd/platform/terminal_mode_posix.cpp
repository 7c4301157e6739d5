#include "rezizezevud_cmd/platform/terminal_mode.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

// The settings to put back live in fixed storage so that a signal handler can reach them without
// allocating or locking. A slot is filled completely before it is marked in use.
constexpr int kSlots = 4;
struct SavedSettings {
  int fd;
  termios settings;
};
SavedSettings gSaved[kSlots];
volatile sig_atomic_t gInUse[kSlots] = {};
int gSlotsInUse = 0;  // main thread only

constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT};
constexpr int kFatalSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];
struct sigaction gPrevious[kFatalSignalCount];
bool gInstalled[kFatalSignalCount] = {};

void restoreAllSaved() {
  for (int i = kSlots - 1; i >= 0; --i) {
    if (gInUse[i]) tcsetattr(gSaved[i].fd, TCSANOW, &gSaved[i].settings);
  }
}

// Async-signal-safe: tcsetattr, sigaction and raise only. The signal is then delivered again with
// its default action, so the process still ends the way the sender meant.
void restoreAndReraise(int signalNumber) {
  const int savedErrno = errno;
  restoreAllSaved();
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signalNumber, &fallback, nullptr);
  raise(signalNumber);
  errno = savedErrno;
}

void installHandlers() {
  for (int i = 0; i < kFatalSignalCount; ++i) {
    struct sigaction previous {};
    if (sigaction(kFatalSignals[i], nullptr, &previous) != 0) continue;
    // A signal the user chose to ignore (nohup) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    struct sigaction handler {};
    handler.sa_handler = restoreAndReraise;
    sigemptyset(&handler.sa_mask);
    for (int other : kFatalSignals) sigaddset(&handler.sa_mask, other);
    if (sigaction(kFatalSignals[i], &handler, &gPrevious[i]) == 0) gInstalled[i] = true;
  }
}

void uninstallHandlers() {
  for (int i = 0; i < kFatalSignalCount; ++i) {
    if (gInstalled[i]) sigaction(kFatalSignals[i], &gPrevious[i], nullptr);
    gInstalled[i] = false;
  }
}

int setSettings(int fd, int when, const termios& settings) {
  int result;
  do {
    result = tcsetattr(fd, when, &settings);
  } while (result != 0 && errno == EINTR);
  return result;
}

void makeRaw(termios& t) {
  // The set an interactive remote-shell client has always used: the remote side does all line
  // editing, echo and signal generation, so the local terminal passes every byte through.
  t.c_iflag |= IGNPAR;
  t.c_iflag &= ~(ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXANY | IXOFF);
#ifdef IUCLC
  t.c_iflag &= ~IUCLC;
#endif
  t.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN);
  t.c_oflag &= ~OPOST;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

void makePassword(termios& t) {
  t.c_lflag &= ~(ICANON | ECHO | ECHONL | ISIG);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

}  // namespace

bool TerminalModeChange::apply(ConsoleHandle handle, TerminalMode mode) {
  if (slot_ >= 0) return true;
  if (handle < 0 || isatty(static_cast<int>(handle)) != 1) return false;
  const int fd = static_cast<int>(handle);
  termios original{};
  if (tcgetattr(fd, &original) != 0) return false;
  int slot = 0;
  while (slot < kSlots && gInUse[slot]) ++slot;
  if (slot == kSlots) return false;

  gSaved[slot].fd = fd;
  gSaved[slot].settings = original;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  gInUse[slot] = 1;
  if (gSlotsInUse++ == 0) installHandlers();

  termios changed = original;
  if (mode == TerminalMode::kRawInput) {
    makeRaw(changed);
  } else {
    makePassword(changed);
  }
  slot_ = slot;
  if (setSettings(fd, TCSADRAIN, changed) != 0) {
    restore();
    return false;
  }
  return true;
}

void TerminalModeChange::restore() {
  if (slot_ < 0) return;
  setSettings(gSaved[slot_].fd, TCSADRAIN, gSaved[slot_].settings);
  gInUse[slot_] = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (--gSlotsInUse == 0) uninstallHandlers();
  slot_ = -1;
}

}  // namespace platform
