#pragma once
#include <cstdint>
#include <string>

#include "metrics/pass_figures.h"
#include "monitor/judge_sweep.h"
#include "log/repeat_limit.h"
#include "log/repeated_attempt.h"
#include "monitor/slot_confirmation.h"
#include "monitor/supervisor.h"
#include "probe/ping_statistics.h"
#include "settings/monitor_settings.h"

namespace kestro {

// What a driver thread checks with: the settings re-read at every pass, the
// supervisor's state between ticks, the pass itself and its slots.
class Monitor {
 public:
  // Stamps LastAddressChange with the current time, then loads the settings.
  Monitor();

  void LoadSettings();

  // One pass: settings, staging server, delay, sweep, report, slots 1 to 3.
  // 0 when it ran to its end, 2 when no staging server is defined.
  int CheckCycle();

  // Starts (healthy sweep) or stops one slot's service, then runs its
  // command with "start" or "stop". True when the service reached its state
  // and the command ended with 0 (each where the slot has one).
  bool ApplySlot(std::uint32_t pingTimeOut, std::uint32_t pingResponse, std::string service,
                 std::string command, std::string argument, const PingStatistics& stats);
  // The same with the sweep judged already.
  bool ApplySlot(SweepVerdict verdict, std::string service, std::string command,
                 std::string argument);

  // Each slot of a swept pass: its verdict confirmed (StopAfterN,
  // StartAfterN), then acted on; adds the slots with a service or a command
  // to `figures` and, where a change is pending, a note for the status line.
  // Returns the verdicts acted on.
  SlotVerdicts ActOnSlots(const SlotVerdicts& verdicts, PassFigures& figures,
                          SlotNotes& notes);
  // After a pass: true when a slot with a service or a command acted "stop"
  // or has a change pending, so that RecheckDelay applies.
  bool RecheckWanted() const;

  // Ends a pass, whatever its outcome: counts it and, when MetricsFile is
  // set, replaces that file with the figures.
  void PublishMetrics(PassFigures& figures);

  // With Observe set: logs what slot `number` would have done with
  // `verdict`, and does nothing. True.
  bool ObserveSlot(int number, SweepVerdict verdict, const ActionSlot& slot);
  // With EventOnChange set: an event entry for each slot with a service or
  // a command whose acted word differs from `before` (or is its first).
  void ReportSlotChanges(const SlotConfirmation (&before)[kSlotCount], const PingStatistics& stats);

  // PassSplay has begun to hold a due pass (`why` says what made it due):
  // one log line, the status line, and the metrics file with the time at
  // which the pass begins (where a pass has written one).
  void NoteHold(const std::string& why);
  // What the service manager shows: a hold while there is one, else the
  // last pass's verdict, flagged where the slots are only observed.
  std::string StatusLine() const;

  SupervisorState Supervisor;
  // What each slot last acted on since this object was made.
  SlotConfirmation Confirmations[kSlotCount];
  MonitorSettings Settings;
  // The outcome of the last pass in words (verdict.h); empty before the first.
  std::string Verdict;
  // Passes since this object was made.
  std::uint32_t PassCount = 0;
  // Without a staging server every tick tries again: the event entry at most
  // once an hour, the metrics file at most once a minute.
  RepeatLimit NoServerEntry{60 * 60 * 1000};
  RepeatLimit NoServerMetrics{60 * 1000};
  // A ProbePort beyond the ports is said at most once an hour.
  RepeatLimit BadProbePortLine{60 * 60 * 1000};
  // The lines of those attempts: the first ones, then once an hour unless they change.
  RepeatedAttempt NoServerLines;
  // The program's version, as the metrics name it; the driver sets it.
  std::string Version;
  // The figures last written to the metrics file; a hold writes them again.
  PassFigures LastFigures;
  // The line of the current hold.
  std::string HoldLine;
};

}  // namespace kestro
