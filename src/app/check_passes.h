#pragma once
#include "app/check_report.h"
#include "settings/monitor_settings.h"

namespace kestro {

// Shows how passes are spread and confirmed when any of PassSplay,
// RecheckDelay, StopAfterN or StartAfterN is set to other than its default,
// and warns (without a finding) when a confirmation waits for hourly passes.
void CheckPassSchedule(CheckReport& report, const MonitorSettings& settings);

}  // namespace kestro
