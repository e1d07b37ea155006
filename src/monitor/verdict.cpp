#include "monitor/verdict.h"

#include <cstdio>

#include "monitor/judge_sweep.h"

namespace kestro {

std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                            const MonitorSettings& settings) {
  char sweep[96];
  if (stats.ErrorCode != 0) {
    std::snprintf(sweep, sizeof sweep, "sweep failed, ErrorCode %d", stats.ErrorCode);
  } else {
    std::snprintf(sweep, sizeof sweep, "%d of %d answered, AvgTime %.02f",
                  stats.TotalCount - stats.TimeoutCount, stats.TotalCount, stats.AvgTime);
  }
  std::string text = server + ": " + sweep + ";";
  for (int n = 1; n <= kSlotCount; ++n) {
    const ActionSlot slot = settings.Slot(n);
    const bool healthy = JudgeSweep(stats, slot.PingTimeOut,
                                    static_cast<float>(slot.PingResponse)) == Healthy;
    text += (n > 1 ? ", slot " : " slot ") + std::to_string(n) + (healthy ? " start" : " stop");
  }
  return text;
}

}  // namespace kestro
