#include <cmath>

#include "probe/ping_statistics.h"

namespace kestro {

SweepVerdict PingStatistics::JudgeSweep(std::uint32_t timeoutLimit, float responseLimit) const {
  if (ErrorCode != 0) return ProbeFailed;
  // Unsigned, as stored: a negative count is a very large one.
  if (timeoutLimit != 0 && timeoutLimit < static_cast<std::uint32_t>(TimeoutCount))
    return TooManyTimeouts;
  // Single precision; a mean that is not a number is too slow.
  if (responseLimit != 0.0f && (std::isnan(AvgTime) || responseLimit < AvgTime)) return TooSlow;
  return Healthy;
}

}  // namespace kestro
