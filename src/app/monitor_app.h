#pragma once
#include <cstdint>
#include <string>

#include "monitor/monitor.h"

namespace kestro {

// The application object: the monitor with its settings and supervisor
// state, the program path and the mode chosen on the command line.
class MonitorApp : public Monitor {
 public:
  // Stores the program path and sets the mode flags. Ends the process with 1
  // for "-help" and with 99 for an argument that is no option.
  void ParseCommandLine(const char* const* argv);

  std::string ProgramPath;
  std::uint32_t InstallFlag = 0;
  std::uint32_t RemoveFlag = 0;
  std::uint32_t ServiceFlag = 0;
  std::uint32_t DirectFlag = 0;
};

}  // namespace kestro
