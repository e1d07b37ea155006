#pragma once
// Wall clock, local time, the tick count and sleeping.
#include <cstdint>

namespace kestro {

struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Local time with milliseconds (GetLocalTime).
  virtual LocalTime Now() = 0;
  // Seconds since 1970-01-01 00:00 UTC, as a signed 32-bit number.
  virtual std::int32_t UnixTime() = 0;
  // Sleep.
  virtual void SleepMs(std::uint32_t milliseconds) = 0;
  // Milliseconds since system start, 32 bits, wrapping (GetTickCount).
  virtual std::uint32_t TickCount() = 0;
};

}  // namespace kestro
