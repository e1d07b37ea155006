#pragma once
#include "app/check_report.h"
#include "settings/monitor_settings.h"

namespace kestro {

// Reads the settings as a pass does into `settings`, and reports the key
// that cannot be opened, or each value that cannot be read with the value
// used instead.
void CheckSettings(CheckReport& report, MonitorSettings& settings);

}  // namespace kestro
