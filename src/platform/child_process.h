#pragma once
// Child processes that run with a console of their own.
#include <cstdint>
#include <string>

#include "platform/wait_result.h"

namespace kestro {

using ProcessHandle = std::uintptr_t;

// This process's startup information, kept as the system gave it.
struct StartupInfoBlock {
  alignas(8) unsigned char bytes[128] = {};
};

struct ChildHandles {
  ProcessHandle process = 0;
  ProcessHandle thread = 0;
};

class ChildProcesses {
 public:
  virtual ~ChildProcesses() = default;
  // GetStartupInfoA.
  virtual void CaptureStartupInfo(StartupInfoBlock* info) = 0;
  // CreateProcessA(application, commandLine, no security attributes, inherit
  // handles, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, this environment and
  // directory, info).
  virtual bool Create(const std::string& application, const std::string& commandLine,
                      const StartupInfoBlock& info, ChildHandles* child) = 0;
  // GetExitCodeProcess: kStillActive while the child runs.
  virtual bool ExitCode(ProcessHandle process, std::uint32_t* code) = 0;
  // WaitForSingleObjectEx(process, milliseconds, alertable).
  virtual int Wait(ProcessHandle process, std::uint32_t milliseconds) = 0;
  // CloseHandle.
  virtual void CloseHandle(ProcessHandle handle) = 0;
  // Whether Create could run `application` as it stands (no search path, no
  // extension added), asked without running it: empty when so, else why
  // not, as a phrase after the program's name ("does not exist"). Includes
  // TrustProblem's judgement, made for the account the service runs as
  // where kServiceAccount names it, whoever asks.
  virtual std::string RunProblem(const std::string& application) = 0;
  // Whether someone other than the administrators (root, SYSTEM,
  // Administrators, TrustedInstaller) or this program's account could
  // change or replace the file Create would run for `application`, or a
  // folder above it, or put it there while it is missing: empty when nobody
  // could; else who, as a phrase after "it" ("may be written by S-1-5-11").
  // What was judged stays so until the next Create has opened the program.
  virtual std::string TrustProblem(const std::string& application) = 0;
  // Whether `path` names an existing regular file (links followed).
  virtual bool IsRegularFile(const std::string& path) = 0;
};

}  // namespace kestro
