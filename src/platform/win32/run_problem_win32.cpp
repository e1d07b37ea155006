#include <windows.h>

#include "platform/win32/child_processes_win32.h"
#include "platform/win32/system_text_win32.h"

namespace kestro {

std::string Win32ChildProcesses::RunProblem(const std::string& application) {
  const DWORD attributes = GetFileAttributesA(application.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "does not exist";
    return "cannot be read: " + SystemText(error);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "is a folder";
  // Opened for running and closed again: whether this process may run it.
  HANDLE file = CreateFileA(application.c_str(), FILE_EXECUTE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "may not be run: " + SystemText(GetLastError());
  ::CloseHandle(file);
  return Judge(application, true, false);
}

bool Win32ChildProcesses::IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace kestro
