#include "platform/win32/child_processes_win32.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace kestro {

// STARTUPINFOA is 68 bytes on x86 and 104 on x64; the block holds either.
static_assert(sizeof(STARTUPINFOA) <= sizeof(StartupInfoBlock::bytes), "startup block too small");
static_assert(alignof(STARTUPINFOA) <= alignof(StartupInfoBlock), "startup block misaligned");
static_assert(sizeof(HANDLE) <= sizeof(ProcessHandle), "process handle too small");

void Win32ChildProcesses::CaptureStartupInfo(StartupInfoBlock* info) {
  GetStartupInfoA(reinterpret_cast<STARTUPINFOA*>(info->bytes));
}

bool Win32ChildProcesses::Create(const std::string& application, const std::string& commandLine,
                                 const StartupInfoBlock& info, ChildHandles* child) {
  STARTUPINFOA startup;
  std::memcpy(&startup, info.bytes, sizeof startup);
  // The program's own start-up information, less the fields reserved to the
  // system: a parent's C runtime hands its table of open files down in
  // lpReserved2, and the child must not be given a copy.
  startup.lpReserved = nullptr;
  startup.cbReserved2 = 0;
  startup.lpReserved2 = nullptr;
  // CreateProcessA may write into the command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION process;
  const BOOL created = CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                                      &startup, &process);
  // The program judged is the program opened: what held it may go now.
  const DWORD error = GetLastError();
  Release();
  SetLastError(error);
  if (!created) return false;
  child->process = reinterpret_cast<ProcessHandle>(process.hProcess);
  child->thread = reinterpret_cast<ProcessHandle>(process.hThread);
  return true;
}

bool Win32ChildProcesses::ExitCode(ProcessHandle process, std::uint32_t* code) {
  DWORD value = 0;
  if (!GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &value)) return false;
  *code = value;
  return true;
}

int Win32ChildProcesses::Wait(ProcessHandle process, std::uint32_t milliseconds) {
  const DWORD r = WaitForSingleObjectEx(reinterpret_cast<HANDLE>(process), milliseconds, TRUE);
  if (r == WAIT_OBJECT_0) return kWaitSignalled;
  if (r == WAIT_TIMEOUT || r == WAIT_IO_COMPLETION) return kWaitTimedOut;
  return kWaitFailed;
}

void Win32ChildProcesses::CloseHandle(ProcessHandle handle) {
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace kestro
