#include "rezizezevud_cmd/platform/crash_handler.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rezizezevud_cmd/signal_safe_text.h"

namespace platform {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr std::size_t kFatalSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];
constexpr std::size_t kPathCapacity = 4096;
constexpr std::size_t kHeaderCapacity = 1024;
constexpr int kMaxFrames = 64;

// Plain arrays with no destructors: the handler may still run while static objects are being
// destroyed at exit.
struct PreparedReport {
  char directory[kPathCapacity];
  char file[kPathCapacity];
  char attachment[kPathCapacity];
  char header[kHeaderCapacity];
  std::size_t headerSize;
};

PreparedReport gReport;
char gLineBuffer[1024];
char gCopyBuffer[64 * 1024];
// A stack overflow leaves no room on the thread's own stack to run the handler.
alignas(16) char gAlternateStack[64 * 1024];
struct sigaction gPreviousActions[kFatalSignalCount];
bool gInstalled = false;
bool gOwnAlternateStack = false;
std::atomic<bool> gReporting{false};

bool copyInto(char* target, std::size_t capacity, const std::string& text) {
  if (text.size() >= capacity) return false;
  std::memcpy(target, text.c_str(), text.size() + 1);
  return true;
}

void writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void writeText(int fd, const SignalSafeText& text) { writeAll(fd, text.data(), text.size()); }

const char* signalName(int signo) {
  switch (signo) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "unknown";
  }
}

void writeCrashFacts(int fd, int signo, const siginfo_t* info) {
  SignalSafeText line(gLineBuffer, sizeof gLineBuffer);
  line.append("signal: ").appendDecimal(static_cast<std::uint64_t>(signo)).append(" ");
  line.append(signalName(signo)).append("\n");
  // Only a signal the kernel raised for a fault carries a meaningful address.
  if (info != nullptr && info->si_code > 0 && signo != SIGABRT) {
    line.append("address: 0x").appendHex(reinterpret_cast<std::uintptr_t>(info->si_addr)).append("\n");
  }
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  line.append("time: ").appendUtcTime(now.tv_sec, static_cast<int>(now.tv_nsec / 1000000)).append("\n");
  line.append("process id: ").appendDecimal(static_cast<std::uint64_t>(getpid())).append("\n");
  line.append("backtrace:\n");
  writeText(fd, line);
  void* frames[kMaxFrames];
  backtrace_symbols_fd(frames, backtrace(frames, kMaxFrames), fd);
}

void writeAttachment(int fd) {
  if (gReport.attachment[0] == '\0') return;
  SignalSafeText line(gLineBuffer, sizeof gLineBuffer);
  line.append("attachment: ").append(gReport.attachment).append("\n");
  writeText(fd, line);
  const int in = open(gReport.attachment, O_RDONLY | O_CLOEXEC);
  if (in < 0) return;
  for (;;) {
    const ssize_t got = read(in, gCopyBuffer, sizeof gCopyBuffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    writeAll(fd, gCopyBuffer, static_cast<std::size_t>(got));
  }
  close(in);
}

void writeReport(int signo, const siginfo_t* info) {
  mkdir(gReport.directory, 0700);  // usually there already from an earlier crash
  // Owner-only like the log it copies, which holds verification codes.
  const int fd = open(gReport.file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return;
  writeAll(fd, gReport.header, gReport.headerSize);
  writeCrashFacts(fd, signo, info);
  writeAttachment(fd);
  close(fd);
}

void onFatalSignal(int signo, siginfo_t* info, void*) {
  // One report per process: a second thread crashing meanwhile waits for the process to end.
  if (gReporting.exchange(true)) {
    for (;;) pause();
  }
  const int savedErrno = errno;
  writeReport(signo, info);
  errno = savedErrno;
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signo, &fallback, nullptr);
  // The signal stays blocked until the handler returns; then the default action ends the
  // process with it. A fault that would recur just recurs and does the same.
  raise(signo);
}

bool prepare(const CrashReportSettings& settings) {
  if (!copyInto(gReport.directory, kPathCapacity, settings.directory)) return false;
  const std::string file = settings.directory + "/" + settings.fileName;
  if (!copyInto(gReport.file, kPathCapacity, file)) return false;
  if (!copyInto(gReport.attachment, kPathCapacity, settings.attachmentPath)) return false;
  if (!copyInto(gReport.header, kHeaderCapacity, settings.header)) return false;
  gReport.headerSize = settings.header.size();
  return true;
}

void useAlternateStack() {
  stack_t current{};
  // Keep a stack someone else (a sanitizer, say) already set up.
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) return;
  stack_t own{};
  own.ss_sp = gAlternateStack;
  own.ss_size = sizeof gAlternateStack;
  gOwnAlternateStack = sigaltstack(&own, nullptr) == 0;
}

void restoreActions(std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) sigaction(kFatalSignals[i], &gPreviousActions[i], nullptr);
}

}  // namespace

bool installCrashHandler(const CrashReportSettings& settings) {
  if (gInstalled || !prepare(settings)) return false;
  // The first backtrace() loads the unwinder, which allocates; in the handler it must not.
  void* frame = nullptr;
  backtrace(&frame, 1);

  struct sigaction action {};
  action.sa_sigaction = onFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // A fault inside the handler itself then kills the process at once instead of recursing.
  sigemptyset(&action.sa_mask);
  for (int signo : kFatalSignals) sigaddset(&action.sa_mask, signo);
  for (std::size_t i = 0; i < kFatalSignalCount; ++i) {
    if (sigaction(kFatalSignals[i], &action, &gPreviousActions[i]) != 0) {
      restoreActions(i);
      return false;
    }
  }
  useAlternateStack();
  gInstalled = true;
  return true;
}

void removeCrashHandler() {
  if (!gInstalled) return;
  restoreActions(kFatalSignalCount);
  if (gOwnAlternateStack) {
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    gOwnAlternateStack = false;
  }
  gInstalled = false;
}

}  // namespace platform
