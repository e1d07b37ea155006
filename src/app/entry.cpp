#include "app/entry.h"

#include "app/direct_mode.h"
#include "app/monitor_app.h"
#include "app/usage.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// Installation, removal and service mode arrive with the service host; until
// then they say so plainly instead of pretending to work.
int NotAvailable(const char* what, int code) {
  Console& console = *Os().console;
  console.Write(Stream::Output, std::string(what) + " is not available in this build.\n");
  console.Flush(Stream::Output);
  return code;
}

}  // namespace

int RunProgram(const char* const* argv) {
  MonitorApp app;
  app.ParseCommandLine(argv);
  // First match wins, whatever the order on the command line.
  if (app.InstallFlag) return NotAvailable("-installservice", 4);
  if (app.RemoveFlag) return NotAvailable("-removeservice", 4);
  if (app.ServiceFlag) return NotAvailable("-service", 8);
  if (app.DirectFlag) RunDirectMode(app);
  PrintHelp(app.ProgramPath);
  return kExitHelp;
}

}  // namespace kestro
