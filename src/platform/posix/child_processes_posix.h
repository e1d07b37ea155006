#pragma once
#include <map>
#include <mutex>

#include "platform/child_process.h"

namespace kestro {

// Children started with fork and fexecve of the program judged, in a
// session of their own (the nearest thing to a console of their own), and
// reaped with waitpid. The command line
// is split at blanks into the argument vector, double quotes grouping, so
// that a child sees it as a Windows program would. A child ended by a signal
// reports 128 + the signal number, as shells do.
class PosixChildProcesses : public ChildProcesses {
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

 private:
  bool Reap(int pid, bool block);

  std::mutex mutex_;
  std::map<int, std::uint32_t> ended_;  // exit codes of children reaped
};

}  // namespace kestro
