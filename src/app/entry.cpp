#include "app/entry.h"

#include <cstring>

#include "app/check_mode.h"
#include "app/direct_mode.h"
#include "app/monitor_app.h"
#include "app/service_mode.h"
#include "app/service_install.h"
#include "app/usage.h"
#include "platform/platform.h"

namespace kestro {

int RunProgram(const char* const* argv) {
  // Before the application object, whose settings would already log.
  if (argv[0] != nullptr && argv[1] != nullptr && std::strcmp(argv[1], "-check") == 0)
    return RunCheckMode(argv);
  MonitorApp app;
  app.ParseCommandLine(argv);
  // First match wins, whatever the order on the command line.
  if (app.InstallFlag) return InstallService();
  if (app.RemoveFlag) return RemoveService();
  if (app.ServiceFlag) RunServiceMode();
  if (app.DirectFlag) RunDirectMode(app);
  PrintHelp(app.ProgramPath);
  return kExitHelp;
}

}  // namespace kestro
