// Asks the program's Windows platform layer for one thing and prints what it
// got, for the end-to-end tests under Wine.
//   platform_tool startup VERSION   WSAStartup's result and the last error after it
//   platform_tool lock PATH         whether the lock file's handle is inherited
//   platform_tool errortext CODE    the last-error text of CODE
//   platform_tool rights DIR        creates a log and a lock file in DIR as the
//                                   program does and prints their rights (SDDL)
//   platform_tool spawn PROGRAM ARG...  runs PROGRAM through the C runtime's spawn,
//                                   which hands its file table down in lpReserved2
#include <windows.h>

#include <io.h>
#include <sddl.h>
#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/last_error_text.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  kestro::SetPlatform(kestro::SystemPlatform());
  const kestro::Platform& os = kestro::Os();
  if (argc == 3 && std::strcmp(argv[1], "startup") == 0) {
    SetLastError(0);
    const int result = os.sockets->Startup(static_cast<std::uint16_t>(std::atoi(argv[2])));
    std::printf("result %d lasterror %u\n", result, static_cast<unsigned>(os.lastError->Get()));
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "lock") == 0) {
    kestro::LockHandle handle = 0;
    int error = 0;
    if (!os.byteLock->OpenLockFile(argv[2], &handle, &error)) return 1;
    DWORD flags = 0;
    GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle))), &flags);
    std::printf("inherit %d\n", (flags & HANDLE_FLAG_INHERIT) ? 1 : 0);
    os.byteLock->CloseLockFile(handle);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "errortext") == 0) {
    char text[256];
    SetLastError(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)));
    std::printf("text [%s]\n", kestro::GetLastErrorText(text, sizeof text));
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "rights") == 0) {
    const std::string log = std::string(argv[2]) + "\\rights.txt";
    const std::string lock = std::string(argv[2]) + "\\rights.lck";
    kestro::LockHandle handle = 0;
    int error = 0;
    if (!os.files->AppendToFile(log, "x") || !os.byteLock->OpenLockFile(lock, &handle, &error)) return 1;
    os.byteLock->CloseLockFile(handle);
    for (const std::string& path : {log, lock}) {
      char buffer[1024];
      DWORD size = 0;
      char* text = nullptr;
      if (GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &size) &&
          ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer, SDDL_REVISION_1,
                                                               DACL_SECURITY_INFORMATION, &text, nullptr)) {
        std::printf("%s\n", text);
        LocalFree(text);
      } else {
        std::printf("unreadable %lu\n", GetLastError());
      }
    }
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "spawn") == 0) {
    return static_cast<int>(_spawnv(_P_WAIT, argv[2], argv + 2));
  }
  std::fprintf(stderr, "usage: platform_tool startup VERSION | lock PATH | rights DIR | errortext CODE | spawn PROGRAM ARG...\n");
  return 2;
}
