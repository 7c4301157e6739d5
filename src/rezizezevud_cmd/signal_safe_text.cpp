#include "rezizezevud_cmd/signal_safe_text.h"

namespace {

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's days-to-civil algorithm):
// plain arithmetic, where gmtime_r may take locks.
CivilDate civilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
  const unsigned day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const unsigned month = static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

}  // namespace

SignalSafeText& SignalSafeText::append(const char* text) {
  if (text == nullptr) return *this;
  while (*text != '\0' && size_ < capacity_) buffer_[size_++] = *text++;
  return *this;
}

SignalSafeText& SignalSafeText::append(const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length && size_ < capacity_; ++i) buffer_[size_++] = text[i];
  return *this;
}

SignalSafeText& SignalSafeText::appendDecimal(std::uint64_t value) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0 && size_ < capacity_) buffer_[size_++] = digits[--count];
  return *this;
}

SignalSafeText& SignalSafeText::appendHex(std::uint64_t value) {
  static const char kDigits[] = "0123456789abcdef";
  char digits[16];
  int count = 0;
  do {
    digits[count++] = kDigits[value & 0xf];
    value >>= 4;
  } while (value != 0);
  while (count > 0 && size_ < capacity_) buffer_[size_++] = digits[--count];
  return *this;
}

SignalSafeText& SignalSafeText::appendPadded(std::uint64_t value, int digits) {
  std::uint64_t limit = 1;
  for (int i = 1; i < digits; ++i) limit *= 10;
  for (; limit > 1 && value < limit; limit /= 10) append("0", 1);
  return appendDecimal(value);
}

SignalSafeText& SignalSafeText::appendUtcTime(std::int64_t secondsSinceEpoch, int milliseconds) {
  if (secondsSinceEpoch < 0) secondsSinceEpoch = 0;
  const std::int64_t secondsOfDay = secondsSinceEpoch % 86400;
  const CivilDate date = civilFromDays(secondsSinceEpoch / 86400);
  appendPadded(static_cast<std::uint64_t>(date.year), 4).append("-");
  appendPadded(date.month, 2).append("-");
  appendPadded(date.day, 2).append("T");
  appendPadded(static_cast<std::uint64_t>(secondsOfDay / 3600), 2).append(":");
  appendPadded(static_cast<std::uint64_t>(secondsOfDay / 60 % 60), 2).append(":");
  appendPadded(static_cast<std::uint64_t>(secondsOfDay % 60), 2).append(".");
  return appendPadded(static_cast<std::uint64_t>(milliseconds), 3).append("Z");
}
