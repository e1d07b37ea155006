#pragma once
#include <functional>
#include <set>

#include "fakes/fault_plan.h"
#include "platform/threads.h"

namespace kestro::testing {

// Threads are never run: a test says when one has ended. Calls: CreateThread,
// GetExitCodeThread, TerminateThread, CloseHandle(thread).
class FakeThreads : public Threads {
 public:
  explicit FakeThreads(FaultPlan& plan) : plan_(plan) {}
  std::map<ThreadHandle, bool> running;
  std::vector<ThreadRoutine> routines;

  bool Create(ThreadRoutine routine, ThreadHandle* handle, std::uint32_t* id) override {
    if (plan_.Enter("CreateThread")) return false;
    routines.push_back(routine);
    *handle = next_++;
    *id = static_cast<std::uint32_t>(*handle) + 1000;
    running[*handle] = true;
    return true;
  }
  std::uint32_t ExitCode(ThreadHandle handle) override {
    plan_.Enter("GetExitCodeThread");
    return running[handle] ? kStillActive : 0;
  }
  bool Terminate(ThreadHandle handle, std::uint32_t) override {
    if (plan_.Enter("TerminateThread")) return false;
    running.erase(handle);
    return true;
  }
  void Close(ThreadHandle handle) override {
    plan_.Enter("CloseHandle(thread)");
    closed.insert(handle);
  }
  // Handles made and not closed.
  int OpenHandles() const { return static_cast<int>(next_ - 1) - static_cast<int>(closed.size()); }
  std::set<ThreadHandle> closed;

  int Alive() const {
    int n = 0;
    for (const auto& t : running) n += t.second;
    return n;
  }

 private:
  FaultPlan& plan_;
  ThreadHandle next_ = 1;
};

}  // namespace kestro::testing
