#include "app/check_mode.h"

#include "app/check_passes.h"
#include "app/check_probe.h"
#include "app/check_report.h"
#include "app/check_settings.h"
#include "app/check_staging.h"
#include "app/usage.h"
#include "log/log_directory.h"
#include "log/write_log.h"
#include "platform/host.h"
#include "platform/platform.h"
#include "settings/monitor_settings.h"

namespace kestro {
namespace {

void CheckFolder(CheckReport& report, const char* what, const std::string& directory,
                 const std::vector<std::string>& names) {
  std::vector<std::string> notes;
  const std::string problem = Os().files->FolderProblem(directory, names, &notes);
  if (problem.empty()) {
    report.Fine(std::string(what) + ": \"" + directory + "\" is usable");
  } else {
    report.Problem(kCheckFolders, std::string(what) + ": " + problem);
  }
  for (const std::string& note : notes) report.Fine(std::string(what) + ": " + note);
}

void CheckFolders(CheckReport& report, const MonitorSettings& settings) {
  CheckFolder(report, "Log folder", LogDirectory(),
              {kCurrentLogName, kPreviousLogName, kLockFileName});
  if (settings.MetricsFile.empty()) return;
  const std::string::size_type end = settings.MetricsFile.rfind(kPathSeparator);
  // A file in the root ("/k.prom", "\\k.prom") lies in the root itself.
  CheckFolder(report, "Metrics file folder",
              end == std::string::npos ? "."
              : end == 0              ? std::string(kPathSeparator)
                                      : settings.MetricsFile.substr(0, end),
              {});
}

void CheckSlot(CheckReport& report, int number, const ActionSlot& slot) {
  const std::string head = "Slot " + std::to_string(number) + ": ";
  if (slot.Service.empty() && slot.Command.empty()) {
    report.Fine(head + "no service, no command");
    return;
  }
  if (!slot.Service.empty()) {
    const std::string service = head + "service \"" + slot.Service + "\" ";
    const int known = Os().services->Knows(slot.Service);
    if (known == 1) {
      report.Fine(service + "is known");
    } else if (known == 0) {
      report.Problem(kCheckSlots, service + "is unknown");
    } else {
      report.Problem(kCheckSlots, service + "could not be looked up: " + LastErrorWords());
    }
  }
  if (!slot.Command.empty()) {
    const std::string command = head + "command \"" + slot.Command + "\" ";
    const std::string problem = Os().children->RunProblem(slot.Command);
    if (problem.empty()) {
      report.Fine(command + "may be run");
    } else {
      report.Problem(kCheckSlots, command + problem);
    }
  }
}

}  // namespace

int RunCheckMode(const char* const* argv) {
  if (argv[1] != nullptr && argv[2] != nullptr) {
    PrintUsage(argv[0], std::string("Parse-Error: Invalid argument \"") + argv[2] + "\"");
    return kExitInvalidArgument;
  }
  CheckReport report;
  MonitorSettings settings;
  CheckSettings(report, settings);
  CheckPassSchedule(report, settings);
  CheckProbe(report, settings);
  CheckStagingServer(report);
  CheckFolders(report, settings);
  for (int n = 1; n <= kSlotCount; ++n) {
    if (!settings.Slot(n).Command.empty()) {
      report.Fine(std::string("Slot commands are judged for the service's account, ") + kServiceAccount);
      break;
    }
  }
  for (int n = 1; n <= kSlotCount; ++n) CheckSlot(report, n, settings.Slot(n));
  return report.Verdict();
}

}  // namespace kestro
