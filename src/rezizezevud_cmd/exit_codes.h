#pragma once

// Process exit codes. Every handler and route returns one of these, except a finished terminal
// session, which passes the remote shell's own exit code through.
enum ExitCode : int {
  kSuccess = 0,
  kConfigError = 1,
  kIpcConnectFailed = 2,
  kInvalidCommand = 3,
  kDataNotAvailable = 4,
  kTimeout = 5,
  kTerminalFailed = 6,
  kInvalidResponse = 7,
  kUnknownError = 99,
};
