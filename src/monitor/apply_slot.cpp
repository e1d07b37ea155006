#include "monitor/monitor.h"

#include <utility>

#include "control/run_command.h"
#include "control/service_state.h"
#include "log/write_log.h"
#include "monitor/judge_sweep.h"

namespace kestro {

bool Monitor::ApplySlot(std::uint32_t pingTimeOut, std::uint32_t pingResponse, std::string service,
                        std::string command, std::string argument, const PingStatistics& stats) {
  return ApplySlot(JudgeSweep(stats, pingTimeOut, static_cast<float>(pingResponse)),
                   std::move(service), std::move(command), std::move(argument));
}

bool Monitor::ApplySlot(SweepVerdict verdict, std::string service, std::string command,
                        std::string argument) {
  const bool healthy = verdict == Healthy;
  const std::string progress = " service " + service + " ...";
  bool succeeded = true;
  // The service first, then the command, whatever the service did.
  if (healthy) {
    if (!service.empty()) {
      WriteLog("Starting" + progress);
      const bool done = SetServiceState(service, '1', &succeeded) == 0;
      WriteLog((done ? "Done with starting service " : "Error starting service ") + service);
    }
    if (!command.empty()) succeeded = RunCommand(command, argument, 1) == 0 && succeeded;
  } else {
    if (!service.empty()) {
      WriteLog("Stopping" + progress);
      const bool done = SetServiceState(service, '0', &succeeded) == 0;
      WriteLog((done ? "Done with stopping service " : "Error stopping service ") + service);
    }
    if (!command.empty()) succeeded = RunCommand(command, argument, 0) == 0 && succeeded;
  }
  return succeeded;
}

}  // namespace kestro
