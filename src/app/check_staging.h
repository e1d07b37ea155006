#pragma once
#include "app/check_report.h"

namespace kestro {

// Reads the agent's file as a pass does and looks up the staging server's
// address as the sweep would, without sending anything.
void CheckStagingServer(CheckReport& report);

}  // namespace kestro
