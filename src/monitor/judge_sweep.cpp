#include "monitor/judge_sweep.h"

#include <cmath>

namespace kestro {

SweepVerdict JudgeSweep(const PingStatistics& stats, std::uint32_t timeoutLimit,
                        float responseLimit) {
  if (stats.ErrorCode != 0) return ProbeFailed;
  // Unsigned, as stored: a negative count is a very large one.
  if (timeoutLimit != 0 && timeoutLimit < static_cast<std::uint32_t>(stats.TimeoutCount))
    return TooManyTimeouts;
  // Single precision; a mean that is not a number is too slow.
  if (responseLimit != 0.0f && (std::isnan(stats.AvgTime) || responseLimit < stats.AvgTime))
    return TooSlow;
  return Healthy;
}

SlotVerdicts JudgeSlots(const PingStatistics& stats, const MonitorSettings& settings) {
  SlotVerdicts verdicts;
  for (int i = 0; i < kSlotCount; ++i)
    verdicts[i] = JudgeSweep(stats, settings.PingTimeOut[i], static_cast<float>(settings.PingResponse[i]));
  return verdicts;
}

}  // namespace kestro
