#pragma once

#include <string>

// The tool's own crash capture: on a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT)
// one report file is written and the process then dies of the same signal, as it would have
// without the handler. Everything the handler needs is prepared when it is installed, because a
// crashed process can no longer be trusted to allocate or take locks.
namespace platform {

struct CrashReportSettings {
  std::string directory;       // created when the first report is written
  std::string fileName;        // the report's name inside the directory
  std::string header;          // text that opens the report, before the crash's own facts
  std::string attachmentPath;  // a file copied to the end of the report; empty for none
};

// Installs the handler on the calling thread's behalf (its alternate signal stack catches stack
// overflows of that thread). Returns false and installs nothing when the settings do not fit the
// handler's fixed buffers or the signal set-up fails.
bool installCrashHandler(const CrashReportSettings& settings);
// Gives the fatal signals back to whatever handled them before. Harmless when not installed.
void removeCrashHandler();

}  // namespace platform
