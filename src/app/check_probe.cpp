#include "app/check_probe.h"

#include <string>

#include "probe/connect_sweep.h"

namespace kestro {

void CheckProbe(CheckReport& report, const MonitorSettings& settings) {
  if (settings.ProbePort == 0) return;
  const std::string problem = ProbePortProblem(settings.ProbePort);
  if (!problem.empty()) {
    report.Problem(kCheckSettings, problem);
    return;
  }
  report.Fine("Probe: TCP connect to port " + std::to_string(settings.ProbePort) +
              " of the staging server");
}

}  // namespace kestro
