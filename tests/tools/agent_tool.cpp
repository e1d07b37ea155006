// Prints the staging server as the program finds it, on the real system.
//   agent_tool [--hold-for-writing]
// With --hold-for-writing the file is first opened for writing by this
// process, as the agent may hold it, to show that reading shares it.
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "agentconf/agent_setting.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  kestro::SetPlatform(kestro::SystemPlatform());
  bool held = false;
#ifdef _WIN32
  HANDLE writer = INVALID_HANDLE_VALUE;
  if (argc > 1 && std::strcmp(argv[1], "--hold-for-writing") == 0) {
    writer = CreateFileA(kestro::AgentConfigPath().c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    held = writer != INVALID_HANDLE_VALUE;
  }
#else
  (void)argc;
  (void)argv;
#endif
  const std::string server = kestro::LocateStagingServer();
  std::printf("path %s\nheld %s\nserver %s\n", kestro::AgentConfigPath().c_str(),
              held ? "yes" : "no", server.c_str());
#ifdef _WIN32
  if (held) CloseHandle(writer);
#endif
  return server.empty() ? 1 : 0;
}
