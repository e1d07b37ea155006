#pragma once
#include <vector>

#include "platform/child_process.h"

namespace kestro {

// Used by one thread at a time: a judgement's handles are held for the
// Create that follows it.
class Win32ChildProcesses : public ChildProcesses {
 public:
  ~Win32ChildProcesses() override { Release(); }
  void CaptureStartupInfo(StartupInfoBlock* info) override;
  bool Create(const std::string& application, const std::string& commandLine,
              const StartupInfoBlock& info, ChildHandles* child) override;
  bool ExitCode(ProcessHandle process, std::uint32_t* code) override;
  int Wait(ProcessHandle process, std::uint32_t milliseconds) override;
  std::string RunProblem(const std::string& application) override;
  // Holds the program and its folders open, without write or delete
  // sharing, from a judgement that found nothing to the next Create, which
  // lets them go once CreateProcessA has opened the program.
  std::string TrustProblem(const std::string& application) override;
  bool IsRegularFile(const std::string& path) override;
  void CloseHandle(ProcessHandle handle) override;

 private:
  // `asService`: judged for the service's account, LocalSystem, whoever
  // runs this program now.
  std::string Judge(const std::string& application, bool asService, bool hold);
  void Release();
  std::vector<void*> held_;
};

}  // namespace kestro
