#pragma once

#include <string>

// The status lines of the remote terminal that follow the user's interface language (Chinese or
// English). Every other text of the terminal path is English only.

// Ids of the localized texts. Placeholders %1 and %2 are filled by the caller, in that order.
enum MessageId : int {
  kMsgEnteringTerminal = 0,
  kMsgConnectInitializing = 1,
  kMsgConnectServer = 2,
  kMsgConnectSession = 3,
  kMsgConnectSync = 4,
  kMsgConnectOptimizing = 5,
  kMsgConnected = 6,
  kMsgTipExit = 7,
  kMsgTipDetach = 8,
  kMsgSeparator = 9,
  kMsgProbing = 10,
  kMsgResuming = 11,
  kMsgStarting = 12,
  kMsgStartingAttempt = 13,
  kMsgDeviceLocked = 14,
  kMsgNotLoggedIn = 15,
  kMsgAutoLoginTimeout = 16,
  kMsgClientTooOld = 17,
  kMsgPasswordPrompt = 18,
  kMsgPasswordPromptAttempt = 19,
  kMsgUnlocking = 20,
  kMsgWrongPassword = 21,
  kMsgUnlockMaxAttempts = 22,
  kMsgMacNotLoggedIn = 23,
  kMsgLoginAndRetry = 24,
  kMsgOsUnsupported = 25,
  kMsgRemoteDisconnected = 26,
};

constexpr int kMessageCount = 27;

// The text of id in the user's language, UTF-8, with static lifetime; the empty text for an id
// outside the table.
const char* localizedMessage(MessageId id);

// The text of id in the given language, whatever the user's; the empty text outside the table.
const char* messageText(MessageId id, bool chinese);

// True when the texts come in Chinese. Decided once, at the first call, from the platform's
// interface language; later changes of the language are not noticed.
bool useChineseMessages();

// True for the locale names of every Chinese variant ("zh_CN.UTF-8", "zh_TW", "zh"...).
bool isChineseLocale(const std::string& localeName);
