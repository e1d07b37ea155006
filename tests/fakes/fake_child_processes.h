#pragma once
// Child processes, scripted against the fake clock.
#include <deque>
#include <set>

#include "fakes/fake_clock.h"
#include "platform/child_process.h"

namespace kestro::testing {

// A child runs for `runMs` of the fake clock and then ends with `exitCode`.
// Calls: CreateProcessA, GetExitCodeProcess, WaitForSingleObjectEx, CloseHandle.
class FakeChildProcesses : public ChildProcesses {
 public:
  FakeChildProcesses(FaultPlan& plan, FakeClock& clock) : plan_(plan), clock_(clock) {}
  std::uint32_t runMs = 0;
  std::uint32_t exitCode = 0;
  bool waitFails = false;
  std::string application;
  std::string commandLine;
  bool startupInfoTaken = false;
  int open = 0;
  int created = 0;

  void CaptureStartupInfo(StartupInfoBlock*) override { startupInfoTaken = true; }
  bool Create(const std::string& app, const std::string& line, const StartupInfoBlock&,
              ChildHandles* child) override {
    application = app;
    commandLine = line;
    if (plan_.Enter("CreateProcessA")) return false;
    ++created;
    start_ = clock_.TickCount();
    open += 2;
    child->process = 1;
    child->thread = 2;
    return true;
  }
  bool ExitCode(ProcessHandle, std::uint32_t* code) override {
    if (plan_.Enter("GetExitCodeProcess")) return false;
    *code = Elapsed() < runMs ? kStillActive : exitCode;
    return true;
  }
  int Wait(ProcessHandle, std::uint32_t ms) override {
    if (plan_.Enter("WaitForSingleObjectEx") || waitFails) return kWaitFailed;
    const std::uint32_t left = Elapsed() < runMs ? runMs - Elapsed() : 0;
    if (left <= ms) {
      clock_.Advance(left);
      return kWaitSignalled;
    }
    clock_.Advance(ms);
    return kWaitTimedOut;
  }
  // Programs that could not be run, and programs others could change, with why;
  // the files there are.
  std::map<std::string, std::string> runProblems;
  std::map<std::string, std::string> trustProblems;
  std::set<std::string> files;
  bool IsRegularFile(const std::string& path) override { return files.count(path) != 0; }
  std::string RunProblem(const std::string& app) override {
    const auto p = runProblems.find(app);
    return p == runProblems.end() ? TrustProblem(app) : p->second;
  }
  std::string TrustProblem(const std::string& app) override {
    const auto p = trustProblems.find(app);
    return p == trustProblems.end() ? "" : p->second;
  }
  void CloseHandle(ProcessHandle) override {
    plan_.Enter("CloseHandle");
    --open;
  }

 private:
  std::uint32_t Elapsed() const { return clock_.tick - start_; }
  FaultPlan& plan_;
  FakeClock& clock_;
  std::uint32_t start_ = 0;
};

}  // namespace kestro::testing
