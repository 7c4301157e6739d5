#pragma once

#include <QString>
#include <optional>
#include <string>

// Checking and wording the values of the settings options, apart from sending them.

constexpr int kMaxBitrateLimitMbps = 500;

// The limit in whole Mbps to send for the user's text: a number (C locale, spaces around and an
// exponent allowed) truncated toward zero and capped at 500. Nothing for text that is not a
// number, a negative number, or not-a-number.
std::optional<int> parseBitrateLimit(const QString& value);

// "true"/"1" and "false"/"0", case and surrounding spaces ignored; nothing for any other word.
std::optional<bool> parseLitePunchDisabled(const QString& value);

// The sentences that report a change, line end included.
std::string bitrateLimitSentence(int limitMbps);
std::string litePunchSentence(bool disabled);
