#include "rezizezevud_cmd/settings_values.h"

#include <cmath>

std::optional<int> parseBitrateLimit(const QString& value) {
  bool ok = false;
  const double number = value.toDouble(&ok);
  // Not-a-number is refused like a negative value: no limit can be meant by it, and sending 0
  // would silently lift the user's limit.
  if (!ok || std::isnan(number) || number < 0) return std::nullopt;
  // Capped before the conversion to int, which is undefined for huge values and infinity.
  if (number >= kMaxBitrateLimitMbps) return kMaxBitrateLimitMbps;
  return static_cast<int>(std::trunc(number));
}

std::optional<bool> parseLitePunchDisabled(const QString& value) {
  const QString word = value.toLower().trimmed();
  if (word == QLatin1String("true") || word == QLatin1String("1")) return true;
  if (word == QLatin1String("false") || word == QLatin1String("0")) return false;
  return std::nullopt;
}

std::string bitrateLimitSentence(int limitMbps) {
  if (limitMbps == 0) return "Bitrate limit reset to default (no limit)\n";
  return "Bitrate limit set to " + std::to_string(limitMbps) + " Mbps\n";
}

std::string litePunchSentence(bool disabled) {
  return disabled ? "Lite punch mode disabled (kFull)\n" : "Lite punch mode enabled (kLite)\n";
}
