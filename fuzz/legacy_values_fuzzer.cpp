// The value checks of the settings options: a bitrate that passes is a whole number of Mbps
// within the limit, and the lite punch word is read the same whatever spacing surrounds it.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/settings_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
  const std::optional<int> limit = parseBitrateLimit(value);
  if (limit && (*limit < 0 || *limit > kMaxBitrateLimitMbps)) __builtin_trap();
  if (limit) (void)bitrateLimitSentence(*limit);
  const std::optional<bool> disabled = parseLitePunchDisabled(value);
  if (disabled != parseLitePunchDisabled(QStringLiteral("  ") + value + QStringLiteral("\t"))) {
    __builtin_trap();
  }
  if (disabled) (void)litePunchSentence(*disabled);
  return 0;
}
