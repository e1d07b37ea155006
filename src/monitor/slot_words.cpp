// What a slot does with its word besides acting on it: the line of a slot
// that is only observed, and the event entry of a slot that changed it.
#include <cstdio>

#include "control/run_command.h"
#include "log/report_event.h"
#include "log/write_log.h"
#include "monitor/monitor.h"

namespace kestro {
namespace {

bool Used(const ActionSlot& slot) { return !slot.Service.empty() || !slot.Command.empty(); }

// "C:\c.exe  CommandLine: c.exe start", as the command's own line names it.
std::string CommandWords(const ActionSlot& slot, bool start) {
  return slot.Command + "  CommandLine: " + ActionCommandLine(slot.Argument, start ? 1 : 0);
}

}  // namespace

bool Monitor::ObserveSlot(int number, SweepVerdict verdict, const ActionSlot& slot) {
  if (!Used(slot)) return true;
  const bool start = verdict == Healthy;
  std::string line = "Observe: slot " + std::to_string(number) + " would ";
  if (!slot.Service.empty()) line += (start ? "start service " : "stop service ") + slot.Service;
  if (!slot.Service.empty() && !slot.Command.empty()) line += " and ";
  if (!slot.Command.empty()) line += "run " + CommandWords(slot, start);
  WriteLog(line);
  return true;
}

void Monitor::ReportSlotChanges(const SlotConfirmation (&before)[kSlotCount],
                                const PingStatistics& stats) {
  if (Settings.EventOnChange == 0) return;
  for (int n = 1; n <= kSlotCount; ++n) {
    const ActionSlot slot = Settings.Slot(n);
    const SlotConfirmation& now = Confirmations[n - 1];
    const SlotConfirmation& was = before[n - 1];
    if (!Used(slot) || !now.Known() || (was.Known() && was.ActedStart() == now.ActedStart()))
      continue;
    const bool start = now.ActedStart();
    const std::string digit = std::to_string(n);
    char sweep[96];
    std::snprintf(sweep, sizeof sweep, "TimeoutCount %d, AvgTime %.02f", stats.TimeoutCount,
                  static_cast<double>(stats.AvgTime));
    const std::string text =
        "Slot " + digit + (was.Known() ? " changed to " : " began with ") +
        (start ? "start" : "stop") + ": service " +
        (slot.Service.empty() ? "(none)" : slot.Service) + ", command " +
        (slot.Command.empty() ? "(none)" : CommandWords(slot, start)) + "; " + sweep +
        "; PingTimeOut" + digit + " " + std::to_string(slot.PingTimeOut) + ", PingResponse" +
        digit + " " + std::to_string(slot.PingResponse) +
        (Settings.Observe != 0 ? "; Observe: nothing was done" : "");
    ReportToEventLog(text, start ? kEventInformation : kEventWarning, kSlotChangeMessageId);
  }
}

}  // namespace kestro
