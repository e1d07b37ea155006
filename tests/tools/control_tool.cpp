// Runs the program's service and command control on the real system.
//   control_tool service NAME 1|0
//   control_tool command COMMAND ARGUMENT 1|0
#include <cstdio>
#include <cstring>

#include "control/run_command.h"
#include "control/service_state.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  kestro::SetPlatform(kestro::SystemPlatform());
  if (argc == 4 && std::strcmp(argv[1], "service") == 0) {
    const int result = kestro::SetServiceState(argv[2], argv[3][0]);
    std::printf("\nresult %d\n", result);
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "command") == 0) {
    const unsigned result = kestro::RunCommand(argv[2], argv[3], argv[4][0] == '1');
    std::printf("result %u\n", result);
    return 0;
  }
  std::fprintf(stderr, "usage: control_tool service NAME 1|0 | command COMMAND ARGUMENT 1|0\n");
  return 2;
}
