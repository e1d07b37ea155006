#pragma once
// Threads, the address watcher and the service host, scripted.
#include <deque>
#include <functional>

#include "fakes/fake_clock.h"
#include "platform/address_watcher.h"
#include "platform/child_process.h"
#include "platform/service_host.h"
#include "platform/threads.h"

namespace kestro::testing {

// Threads are never run: a test says when one has ended. Calls: CreateThread,
// GetExitCodeThread, TerminateThread.
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
  int Alive() const {
    int n = 0;
    for (const auto& t : running) n += t.second;
    return n;
  }

 private:
  FaultPlan& plan_;
  ThreadHandle next_ = 1;
};

// Each wait takes the next scripted outcome; snapshots are scripted too.
// When a script runs out the watcher throws Exhausted, which ends a test's
// run of the endless watcher loop. Calls: NotifyAddrChange, GetIpAddrTable.
class FakeAddressWatcher : public AddressWatcher {
 public:
  struct Exhausted {};
  explicit FakeAddressWatcher(FaultPlan& plan) : plan_(plan) {}
  std::deque<bool> waits;
  std::deque<std::string> tables;

  bool WaitForChange() override {
    plan_.Enter("NotifyAddrChange");
    if (waits.empty()) throw Exhausted{};
    const bool changed = waits.front();
    waits.pop_front();
    return changed;
  }
  bool Snapshot(std::string* table) override {
    plan_.Enter("GetIpAddrTable");
    if (tables.empty()) throw Exhausted{};
    *table = tables.front();
    tables.pop_front();
    return true;
  }

 private:
  FaultPlan& plan_;
};

// Keeps every status report. The dispatcher runs ServiceMain on the calling
// thread when `dispatch` is set. Calls: StartServiceCtrlDispatcherA,
// RegisterServiceCtrlHandlerA, SetServiceStatus, CreateEventA, SetEvent,
// WaitForSingleObject, CloseHandle(event).
class FakeServiceHost : public ServiceHost {
 public:
  explicit FakeServiceHost(FaultPlan& plan) : plan_(plan) {}
  bool dispatch = true;
  std::vector<ServiceStatusRecord> reports;
  ControlHandlerRoutine handler = nullptr;
  // Called at every wait for the stop event, with the number of waits so far.
  std::function<void(int)> onWait;
  int waits = 0;
  int failingWaits = 0;  // the first this many waits fail
  bool eventSet = false;
  int eventsOpen = 0;

  bool RunDispatcher(const std::string&, ServiceMainRoutine main) override {
    if (plan_.Enter("StartServiceCtrlDispatcherA") || !dispatch) return false;
    char name[] = "Kestro";
    char* argv[] = {name, nullptr};
    main(1, argv);
    return true;
  }
  StatusHandle RegisterHandler(const std::string&, ControlHandlerRoutine h) override {
    if (plan_.Enter("RegisterServiceCtrlHandlerA")) return 0;
    handler = h;
    return 42;
  }
  bool SetStatus(StatusHandle, const ServiceStatusRecord& status) override {
    if (plan_.Enter("SetServiceStatus")) return false;
    reports.push_back(status);
    return true;
  }
  EventHandle CreateStopEvent() override {
    if (plan_.Enter("CreateEventA")) return 0;
    ++eventsOpen;
    return 9;
  }
  void SignalEvent(EventHandle) override {
    plan_.Enter("SetEvent");
    eventSet = true;
  }
  int WaitEvent(EventHandle, std::uint32_t) override {
    plan_.Enter("WaitForSingleObject");
    ++waits;
    if (onWait) onWait(waits);
    if (waits <= failingWaits) return kEventWaitFailed;
    return eventSet ? kEventSignalled : kEventTimedOut;
  }
  void CloseEvent(EventHandle) override {
    plan_.Enter("CloseEvent");
    --eventsOpen;
  }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
