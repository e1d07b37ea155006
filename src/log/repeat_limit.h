#pragma once
#include <cstdint>

namespace kestro {

// Something said again at every attempt while a condition lasts (no staging
// server, a refused log file): said at the first attempt, then at most once
// per interval, and at once again when the condition comes back after it
// ended. Measured on the
// tick count, which a clock set back does not move.
class RepeatLimit {
 public:
  explicit RepeatLimit(std::uint32_t intervalMs) : intervalMs_(intervalMs) {}
  // Whether to say it at `nowMs` (the tick count); a yes starts the interval.
  bool Due(std::uint32_t nowMs) {
    if (said_ && nowMs - saidAtMs_ < intervalMs_) return false;  // wraps as the count does
    said_ = true;
    saidAtMs_ = nowMs;
    return true;
  }
  // The condition ended.
  void Clear() { said_ = false; }

 private:
  std::uint32_t intervalMs_;
  bool said_ = false;
  std::uint32_t saidAtMs_ = 0;
};

}  // namespace kestro
