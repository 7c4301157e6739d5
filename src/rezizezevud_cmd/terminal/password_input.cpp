#include "rezizezevud_cmd/terminal/password_input.h"

#include <string>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/platform/console_input.h"
#include "rezizezevud_cmd/platform/std_streams.h"
#include "rezizezevud_cmd/platform/terminal_mode.h"
#include "rezizezevud_cmd/terminal/console_input.h"
#include "rezizezevud_cmd/terminal/password_editor.h"

namespace {

PasswordResult readMaskedFromConsole(platform::ConsoleHandle input) {
  platform::TerminalModeChange mode;
  mode.apply(input, platform::TerminalMode::kPasswordInput);
  PasswordEditor editor;
  std::string echo;
  char byte = 0;
  while (editor.state() == PasswordEditor::State::kEditing) {
    // A terminal that went away cannot confirm anything; nothing half-typed is sent.
    if (!platform::readConsoleByte(input, byte)) return PasswordResult{true, QByteArray()};
    editor.feed(byte, echo);
    if (!echo.empty()) writeStderrNarrow(echo);
  }
  if (editor.state() == PasswordEditor::State::kCancelled) return PasswordResult{true, QByteArray()};
  return PasswordResult{false, editor.text()};
}

PasswordResult readFirstLine() {
  std::string line;
  platform::readLine(line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return PasswordResult{false, QByteArray(line.data(), static_cast<int>(line.size()))};
}

}  // namespace

PasswordResult readPassword() {
  const platform::ConsoleHandle input = platform::standardHandle(platform::StdStream::kIn);
  if (isConsoleHandle(input)) return readMaskedFromConsole(input);
  return readFirstLine();
}
