#include "app/check_passes.h"

#include <string>

#include "log/report_event.h"
#include "monitor/pass_schedule.h"

namespace kestro {
namespace {

std::string Counts(const std::uint32_t (&counts)[kSlotCount]) {
  std::string text;
  for (int i = 0; i < kSlotCount; ++i) text += (i > 0 ? " " : "") + std::to_string(counts[i]);
  return text;
}

}  // namespace

void CheckPassSchedule(CheckReport& report, const MonitorSettings& s) {
  if (s.Observe != 0) {
    report.Fine("Observe: every pass sweeps, judges and counts, but starts and stops no service "
                "and runs no command; the log says what it would do");
  }
  if (s.EventOnChange != 0) {
    report.Fine("EventOnChange: an event entry (ID " + std::to_string(kSlotChangeMessageId) +
                ") whenever a slot changes its word");
  }
  bool set = s.PassSplay != 0 || s.RecheckDelay != 0 || s.PassInterval != 0;
  bool confirming = false;
  for (int i = 0; i < kSlotCount; ++i) {
    set = set || s.StopAfter[i] != 1 || s.StartAfter[i] != 1;
    confirming = confirming || s.StopAfter[i] > 1 || s.StartAfter[i] > 1;
  }
  if (!set) return;
  report.Fine("Passes: PassSplay " + std::to_string(s.PassSplay) + ", RecheckDelay " +
              std::to_string(s.RecheckDelay) + ", StopAfter " + Counts(s.StopAfter) +
              ", StartAfter " + Counts(s.StartAfter) +
              (s.PassInterval != 0 ? ", PassInterval " + std::to_string(PassIntervalInForce(s.PassInterval))
                                   : std::string()));
  if (confirming && s.RecheckDelay == 0 && PassIntervalInForce(s.PassInterval) >= kPassInterval) {
    report.Fine("Warning: StopAfter or StartAfter is above 1 while RecheckDelay is 0: a change "
                "is confirmed only by the hourly passes, hours later");
  }
}

}  // namespace kestro
