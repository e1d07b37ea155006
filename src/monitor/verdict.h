#pragma once
#include <string>

#include "monitor/judge_sweep.h"
#include "probe/ping_statistics.h"
#include "settings/monitor_settings.h"

namespace kestro {

// A pass in one line for an administrator: the sweep and what each slot was
// told to do. "127.0.0.1: 7 of 7 answered, AvgTime 7.86; slot 1 start,
// slot 2 stop, slot 3 start"; a failed sweep names its ErrorCode instead, a
// connect sweep its port ("127.0.0.1 TCP port 8530: ...").
std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                            const SlotVerdicts& verdicts);
// The same with a note after each slot's word, where one is not empty:
// "slot 2 start (stop 1 of 3)".
std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                            const SlotVerdicts& verdicts, const SlotNotes& notes);
inline std::string DescribeVerdict(const std::string& server, const PingStatistics& stats,
                                   const MonitorSettings& settings) {
  return DescribeVerdict(server, stats, JudgeSlots(stats, settings));
}

// The line of a pass that found no staging server.
inline constexpr char kNoStagingServerVerdict[] = "Quillmesh STAGINGSERVER isn't defined.";

}  // namespace kestro
