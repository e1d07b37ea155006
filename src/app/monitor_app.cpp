#include "app/monitor_app.h"

#include <cstring>

#include "app/usage.h"
#include "platform/platform.h"

namespace kestro {

void MonitorApp::ParseCommandLine(const char* const* argv) {
  if (argv[0] == nullptr) return;
  ProgramPath = argv[0];
  for (const char* const* arg = argv + 1; *arg != nullptr; ++arg) {
    const char* word = *arg;
    if (std::strcmp(word, "-installservice") == 0) {
      InstallFlag = 1;
    } else if (std::strcmp(word, "-removeservice") == 0) {
      RemoveFlag = 1;
    } else if (std::strcmp(word, "-service") == 0) {
      ServiceFlag = 1;
    } else if (std::strcmp(word, "-direct") == 0) {
      DirectFlag = 1;
    } else if (std::strcmp(word, "-help") == 0) {
      PrintHelp(ProgramPath);
    } else {
      PrintUsage(ProgramPath, std::string("Parse-Error: Invalid argument \"") + word + "\"");
      Os().process->Exit(kExitInvalidArgument);
    }
  }
}

}  // namespace kestro
