#include "control/service_state.h"

#include "log/write_log.h"
#include "platform/platform.h"

namespace kestro {
namespace {

constexpr std::size_t kDisplayNameSize = 255;
constexpr int kMaxQueries = 120;
constexpr std::uint32_t kPollMs = 1000;

void Print(const std::string& text) {
  Os().console->Write(Stream::Output, text);
  Os().console->Flush(Stream::Output);
}

// The wait after a request: while the service stays `pending`, a dot a second,
// at most 120. Returns the last state read.
std::uint32_t AwaitChange(ServiceHandle service, std::uint32_t pending, std::uint32_t state) {
  ServiceManager& scm = *Os().services;
  Os().clock->SleepMs(kPollMs);
  int dots = 0;
  while (scm.QueryState(service, &state) && dots < kMaxQueries && state == pending) {
    Print(".");
    ++dots;
    Os().clock->SleepMs(kPollMs);
  }
  return state;
}

int Act(ServiceHandle service, const std::string& display, char action, std::uint32_t state) {
  ServiceManager& scm = *Os().services;
  if (action == '0') {
    if (!scm.ControlStop(service)) {
      Print("\n" + display + " failed to stop.\n");
      return kServiceStopRefused;
    }
    Print("Stopping " + display + ".");
    if (AwaitChange(service, kServiceStopPending, state) == kServiceStopped) {
      Print("\n" + display + " stopped.\n");
      return 0;
    }
    Print("\n" + display + " failed to stop.\n");
    return kServiceDidNotStop;
  }
  if (action == '1') {
    if (!scm.Start(service)) {
      Print("\n" + display + " failed to start.\n");
      return kServiceStartRefused;
    }
    Print("Starting " + display + ".");
    if (AwaitChange(service, kServiceStartPending, state) == kServiceRunning) {
      Print("\n" + display + " started.\n");
      return 0;
    }
    Print("\n" + display + " failed to start.\n");
    return kServiceDidNotStart;
  }
  return 0;
}

int Control(ServiceHandle service, const std::string& display, char action) {
  ServiceManager& scm = *Os().services;
  std::uint32_t state = 0;
  if (!scm.QueryState(service, &state)) {
    WriteLog("Service " + display + ": Could not query service.");
    return kServiceQueryFailed;
  }
  if (state == kServiceStopped && action == '0') {
    WriteLog("Service " + display + " is already stopped");
    return 0;
  }
  if (state == kServiceRunning && action == '1') {
    WriteLog("Service " + display + " is already running");
    return 0;
  }
  // A pending or paused service is given 120 quick queries to settle.
  for (int count = 0; state != kServiceRunning && state != kServiceStopped;) {
    if (!scm.QueryState(service, &state)) return kServicePreWaitQueryFailed;
    if (count == 1) WriteLog("Waiting for service " + display + " to reach STOP or START state ...");
    if (++count == kMaxQueries) {
      WriteLog("Service " + display + " is not in state RUNNING nor in state STOPPED.");
      return kServiceUnsettled;
    }
  }
  return Act(service, display, action, state);
}

}  // namespace

int SetServiceState(std::string name, char action) {
  ServiceManager& scm = *Os().services;
  const ServiceHandle manager = scm.OpenManager();
  if (manager == 0) return 0;

  // Messages name the service by its display name, or by the configured
  // name when that cannot be looked up.
  std::string display;
  if (!scm.DisplayName(manager, name, kDisplayNameSize, &display) || display.empty()) display = name;

  const ServiceHandle service = scm.OpenNamedService(manager, name);
  if (service == 0) {
    WriteLog("Service " + name + " couldn't be opened.");
    scm.CloseHandle(manager);
    return 0;
  }
  const int result = Control(service, display, action);
  scm.CloseHandle(service);
  scm.CloseHandle(manager);
  return result;
}

}  // namespace kestro
