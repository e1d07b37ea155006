#include "platform/posix/clock_posix.h"

#include <cerrno>
#include <ctime>

namespace kestro {

LocalTime PosixClock::Now() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local;
  localtime_r(&now.tv_sec, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return t;
}

std::int32_t PosixClock::UnixTime() { return static_cast<std::int32_t>(std::time(nullptr)); }

void PosixClock::SleepMs(std::uint32_t milliseconds) {
  struct timespec left;
  left.tv_sec = milliseconds / 1000;
  left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace kestro

namespace kestro {

// A monotonic millisecond count that wraps at 32 bits, like GetTickCount.
std::uint32_t PosixClock::TickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace kestro
