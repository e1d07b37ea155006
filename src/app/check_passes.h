#pragma once
#include "app/check_report.h"
#include "settings/monitor_settings.h"

namespace kestro {

// Shows how passes are spread and confirmed when any of PassSplay,
// RecheckDelay, StopAfterN, StartAfterN or PassInterval is set to other than
// its default (PassInterval as in force), and warns (without a finding) when
// a confirmation waits for hourly passes. Says so when the slots are only
// observed, and when a change of a slot's word makes an event entry.
void CheckPassSchedule(CheckReport& report, const MonitorSettings& settings);

}  // namespace kestro
