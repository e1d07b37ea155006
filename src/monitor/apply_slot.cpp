#include "monitor/monitor.h"
#include "control/run_command.h"
#include "control/service_state.h"
#include "log/write_log.h"
#include "monitor/judge_sweep.h"

namespace kestro {

void Monitor::ApplySlot(std::uint32_t pingTimeOut, std::uint32_t pingResponse, std::string service,
                        std::string command, std::string argument, const PingStatistics& stats) {
  const bool healthy =
      JudgeSweep(stats, pingTimeOut, static_cast<float>(pingResponse)) == Healthy;
  const std::string progress = " service " + service + " ...";
  // The service first, then the command, whatever the service did.
  if (healthy) {
    if (!service.empty()) {
      WriteLog("Starting" + progress);
      WriteLog((SetServiceState(service, '1') == 0 ? "Done with starting service "
                                                   : "Error starting service ") + service);
    }
    if (!command.empty()) RunCommand(command, argument, 1);
  } else {
    if (!service.empty()) {
      WriteLog("Stopping" + progress);
      WriteLog((SetServiceState(service, '0') == 0 ? "Done with stopping service "
                                                   : "Error stopping service ") + service);
    }
    if (!command.empty()) RunCommand(command, argument, 0);
  }
}

}  // namespace kestro
