#pragma once
// The service host, scripted.
#include <deque>

#include "fakes/fault_plan.h"
#include "platform/service_host.h"

namespace kestro::testing {

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
  // Called as the stop event is created, before it is handed back.
  std::function<void()> onCreateEvent;
  int waits = 0;
  int failingWaits = 0;  // the first this many waits fail
  bool eventSet = false;
  int eventsOpen = 0;
  std::vector<std::string> statusTexts;

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
    if (onCreateEvent) onCreateEvent();
    ++eventsOpen;
    return 9;
  }
  void SignalEvent(EventHandle) override {
    plan_.Enter("SetEvent");
    eventSet = true;
  }
  int WaitEvent(EventHandle, std::uint32_t) override {
    const bool failing = plan_.Enter("WaitForSingleObject");
    ++waits;
    if (onWait) onWait(waits);
    if (failing || waits <= failingWaits) return kWaitFailed;
    return eventSet ? kWaitSignalled : kWaitTimedOut;
  }
  void CloseEvent(EventHandle) override {
    plan_.Enter("CloseEvent");
    --eventsOpen;
  }
  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
