#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "probe/ping_statistics.h"
#include "settings/monitor_settings.h"

namespace kestro {

// How a sweep measures up to one slot's limits.
enum SweepVerdict : int { Healthy = 0, ProbeFailed = 1, TooManyTimeouts = 2, TooSlow = 3 };

// Judges the sweep against a limit on unanswered requests and one on the
// mean time; a limit of 0 is no limit. Reads only the error code, the count
// of time-outs and the mean.
SweepVerdict JudgeSweep(const PingStatistics& stats, std::uint32_t timeoutLimit,
                        float responseLimit);

// The sweep judged once for each slot of `settings`, slot 1 first.
using SlotVerdicts = std::array<SweepVerdict, kSlotCount>;
SlotVerdicts JudgeSlots(const PingStatistics& stats, const MonitorSettings& settings);
// A few words per slot for the status line; empty: none.
using SlotNotes = std::array<std::string, kSlotCount>;

}  // namespace kestro
