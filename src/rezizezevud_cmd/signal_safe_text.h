#pragma once

#include <cstddef>
#include <cstdint>

// Text put together inside a fatal-signal handler, where nothing may allocate, lock or touch the
// locale: it fills a caller's fixed buffer and silently drops what does not fit.
class SignalSafeText {
 public:
  SignalSafeText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  SignalSafeText& append(const char* text);
  SignalSafeText& append(const char* text, std::size_t length);
  SignalSafeText& appendDecimal(std::uint64_t value);
  // Lower-case hexadecimal digits, without a "0x".
  SignalSafeText& appendHex(std::uint64_t value);
  // UTC as "YYYY-MM-DDTHH:MM:SS.mmmZ" from seconds since 1970 (none before it).
  SignalSafeText& appendUtcTime(std::int64_t secondsSinceEpoch, int milliseconds);

  const char* data() const { return buffer_; }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }

 private:
  SignalSafeText& appendPadded(std::uint64_t value, int digits);

  char* buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};
