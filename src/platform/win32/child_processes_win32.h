#pragma once
#include "platform/child_process.h"

namespace kestro {

class Win32ChildProcesses : public ChildProcesses {
 public:
  void CaptureStartupInfo(StartupInfoBlock* info) override;
  bool Create(const std::string& application, const std::string& commandLine,
              const StartupInfoBlock& info, ChildHandles* child) override;
  bool ExitCode(ProcessHandle process, std::uint32_t* code) override;
  int Wait(ProcessHandle process, std::uint32_t milliseconds) override;
  std::string RunProblem(const std::string& application) override;
  std::string TrustProblem(const std::string& application) override;
  bool IsRegularFile(const std::string& path) override;
  void CloseHandle(ProcessHandle handle) override;
};

}  // namespace kestro
