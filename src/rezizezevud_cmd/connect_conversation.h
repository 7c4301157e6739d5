#pragma once

#include <QString>
#include <string>

// The conversation of the legacy connect option, apart from the socket and the console: the
// connect request, then a verification code typed by the user after "need_password" or
// "wrong_password", for at most four commands.

constexpr int kMaxConnectAttempt = 3;  // attempts are numbered 0..3

struct ConnectStep {
  enum Kind { kPrompt, kSend, kFinish };
  Kind kind = kFinish;
  std::string out;                   // bytes for standard output: the code prompt or the result
  std::string err;                   // bytes for standard error: the wrong-code prompt or an error
  int exitCode = 0;                  // meaningful for kFinish
  const char* logMessage = nullptr;  // an info line to log before the output, or null
};

class ConnectConversation {
 public:
  ConnectConversation(const QString& deviceId, const QString& commandLineCode);

  // The command of the current attempt: "cmd:connect" the first time, "cmd:input_password"
  // after. The code given on the command line therefore only ever goes with the first.
  QString command();
  int attempt() const { return attempt_; }

  // After the channel's result and the trimmed answer: kPrompt (read a code) or kFinish.
  ConnectStep onAnswer(int channelResult, const QString& answer);
  // After the line typed at the prompt: kSend (the next attempt) or kFinish.
  ConnectStep onCodeLine(const QString& line);

 private:
  QString deviceId_;
  QString code_;
  int attempt_ = 0;
  bool firstAttempt_ = true;
  bool codeWasWrong_ = false;
};
