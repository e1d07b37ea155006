#include "monitor/verdict.h"

#include <cstdio>


namespace kestro {

std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                            const SlotVerdicts& verdicts) {
  return DescribeVerdict(server, stats, verdicts, SlotNotes());
}

std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                            const SlotVerdicts& verdicts, const SlotNotes& notes) {
  char sweep[96];
  if (stats.ErrorCode != 0) {
    std::snprintf(sweep, sizeof sweep, "sweep failed, ErrorCode %d", stats.ErrorCode);
  } else {
    std::snprintf(sweep, sizeof sweep, "%d of %d answered, AvgTime %.02f",
                  stats.TotalCount - stats.TimeoutCount, stats.TotalCount, stats.AvgTime);
  }
  const std::string port =
      stats.ProbePort != 0 ? " TCP port " + std::to_string(stats.ProbePort) : "";
  std::string text = server + port + ": " + sweep + ";";
  for (int n = 1; n <= kSlotCount; ++n) {
    const bool healthy = verdicts[n - 1] == Healthy;
    text += (n > 1 ? ", slot " : " slot ") + std::to_string(n) + (healthy ? " start" : " stop");
    if (!notes[n - 1].empty()) text += " (" + notes[n - 1] + ")";
  }
  return text;
}

}  // namespace kestro
