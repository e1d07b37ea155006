#pragma once
#include "app/check_report.h"
#include "settings/monitor_settings.h"

namespace kestro {

// Shows the sweep's kind and port when ProbePort is set; a ProbePort that is
// no port is a settings finding, and the sweep sends echo requests.
void CheckProbe(CheckReport& report, const MonitorSettings& settings);

}  // namespace kestro
