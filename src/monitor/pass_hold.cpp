#include "log/write_log.h"
#include "metrics/metrics_text.h"
#include "metrics/write_metrics_file.h"
#include "monitor/monitor.h"

namespace kestro {

void Monitor::NoteHold(const std::string& why) {
  const PassSchedule& schedule = Supervisor.Schedule;
  HoldLine = "Pass held back " + std::to_string(schedule.HoldSeconds()) + " seconds by PassSplay " +
             std::to_string(Settings.PassSplay) + ": " + why;
  WriteLog(HoldLine);
  // Before the first pass there is no file to amend: the hold would only
  // show a pass that never ended.
  if (Settings.MetricsFile.empty() || LastFigures.EndTime == 0) return;
  PassFigures figures = LastFigures;
  figures.HeldUntil = schedule.HeldUntil();
  WriteMetricsFile(Settings.MetricsFile, MetricsText(figures));
}

std::string Monitor::StatusLine() const {
  if (Supervisor.Schedule.Holding()) return HoldLine;
  if (Settings.Observe != 0 && !Verdict.empty()) return "Observe only, nothing is done: " + Verdict;
  return Verdict;
}

}  // namespace kestro
