#pragma once
#include <cstdint>
#include <string>

#include "monitor/supervisor.h"
#include "probe/ping_statistics.h"
#include "settings/monitor_settings.h"

namespace kestro {

// The application object: the program path, the supervisor's state, the
// settings and the mode chosen on the command line.
class MonitorApp {
 public:
  // Stamps LastAddressChange with the current time, then loads the settings.
  MonitorApp();

  // Stores the program path and sets the mode flags. Ends the process with 1
  // for "-help" and with 99 for an argument that is no option.
  void ParseCommandLine(const char* const* argv);

  void LoadSettings();

  // One pass: settings, staging server, delay, sweep, report, slots 1 to 3.
  // 0 when it ran to its end, 2 when no staging server is defined.
  int CheckCycle();

  // Starts (healthy sweep) or stops one slot's service, then runs its
  // command with "start" or "stop".
  void ApplySlot(std::uint32_t pingTimeOut, std::uint32_t pingResponse, std::string service,
                 std::string command, std::string argument, const PingStatistics& stats);

  std::string ProgramPath;
  SupervisorState Supervisor;
  MonitorSettings Settings;
  std::uint32_t InstallFlag = 0;
  std::uint32_t RemoveFlag = 0;
  std::uint32_t ServiceFlag = 0;
  std::uint32_t DirectFlag = 0;
};

}  // namespace kestro
