#include "platform/win32/threads_win32.h"

#include <windows.h>

namespace kestro {
namespace {
// The routine travels as the thread's parameter.
DWORD WINAPI Run(LPVOID routine) {
  reinterpret_cast<ThreadRoutine>(routine)();
  return 0;
}
}  // namespace

bool Win32Threads::Create(ThreadRoutine routine, ThreadHandle* handle, std::uint32_t* id) {
  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, Run, reinterpret_cast<LPVOID>(routine), 0, &threadId);
  if (thread == nullptr) return false;
  *handle = reinterpret_cast<ThreadHandle>(thread);
  *id = threadId;
  return true;
}

std::uint32_t Win32Threads::ExitCode(ThreadHandle handle) {
  DWORD code = 0;
  GetExitCodeThread(reinterpret_cast<HANDLE>(handle), &code);
  return code;
}

bool Win32Threads::Terminate(ThreadHandle handle, std::uint32_t code) {
  return TerminateThread(reinterpret_cast<HANDLE>(handle), code) != FALSE;
}

void Win32Threads::Close(ThreadHandle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

}  // namespace kestro
