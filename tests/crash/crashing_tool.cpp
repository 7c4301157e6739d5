// A stand-in for orrinctl that goes through the tool's real start-up and then crashes the way it
// is told to, so that the crash-reporting tests can watch a crash happen. Built for the tests
// only; the product has no way to crash on request.
//
//   crashing_tool null-write | abort | stack-overflow   (anything else: start up and exit 0)
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

// Exported (the target links with -rdynamic) and never inlined, so the tests can find them by
// name in a report's backtrace.
extern "C" {

int* volatile gNowhere = nullptr;
volatile unsigned gDepthLimit = UINT_MAX;

__attribute__((noinline)) void crashByNullWrite() { *gNowhere = 42; }

// The backtrace must show a frame of crashByAbort: after a call the compiler knows never
// returns, the return address points past the function's end, and a call in tail position
// leaves no frame at all. Calling through a pointer it cannot see into, with work after the
// call, avoids both.
void (*volatile gAbort)() = std::abort;

__attribute__((noinline)) void crashByAbort() {
  gAbort();
  gNowhere = nullptr;
}

__attribute__((noinline)) unsigned crashByStackOverflow(unsigned depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth == gDepthLimit) return 0;
  return crashByStackOverflow(depth + 1) + static_cast<unsigned>(frame[0]);
}
}

int main(int argc, char** argv) {
  // A crashing test must not leave core files behind.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);

  RezizEzevudCmdApplication application;
  LOG_INFO << "crashing_tool: about to crash";
  const char* how = argc > 1 ? argv[1] : "";
  if (std::strcmp(how, "null-write") == 0) crashByNullWrite();
  if (std::strcmp(how, "abort") == 0) crashByAbort();
  if (std::strcmp(how, "stack-overflow") == 0) return static_cast<int>(crashByStackOverflow(0));
  return 0;
}
