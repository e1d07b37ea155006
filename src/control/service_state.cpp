#include "control/service_state.h"

#include "log/last_error_text.h"
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

// A query that failed during a wait ends it; the log says why, since the
// verdict that follows rests on an older state.
bool Query(ServiceHandle service, const std::string& display, std::uint32_t* state) {
  if (Os().services->QueryState(service, state)) return true;
  char error[256];
  const std::string text = GetLastErrorText(error, sizeof error);
  WriteLog("Service " + display + ": Could not query service." + (text.empty() ? "" : " " + text));
  return false;
}

// The wait after a request: while the service stays `pending`, a dot a second,
// at most 120. Returns the last state read.
std::uint32_t AwaitChange(ServiceHandle service, const std::string& display,
                          std::uint32_t pending, std::uint32_t state) {
  Os().clock->SleepMs(kPollMs);
  int dots = 0;
  while (Query(service, display, &state) && dots < kMaxQueries && state == pending) {
    Print(".");
    ++dots;
    Os().clock->SleepMs(kPollMs);
  }
  return state;
}

// A start ('1') or a stop ('0'): the request, the state that means "still
// on the way" and the one that means done, with their texts and codes.
struct Transition {
  bool (ServiceManager::*request)(ServiceHandle);
  std::uint32_t pending;
  std::uint32_t wanted;
  const char* progress;
  const char* done;
  const char* failed;
  int refused;
  int unreached;
};

const Transition kStop = {&ServiceManager::ControlStop, kServiceStopPending, kServiceStopped,
                          "Stopping ", " stopped.\n", " failed to stop.\n", kServiceStopRefused,
                          kServiceDidNotStop};
const Transition kStart = {&ServiceManager::Start, kServiceStartPending, kServiceRunning,
                           "Starting ", " started.\n", " failed to start.\n", kServiceStartRefused,
                           kServiceDidNotStart};

int Act(ServiceHandle service, const std::string& display, char action, std::uint32_t state) {
  if (action != '0' && action != '1') return 0;
  const Transition& t = action == '0' ? kStop : kStart;
  if (!(Os().services->*t.request)(service)) {
    Print("\n" + display + t.failed);
    return t.refused;
  }
  Print(t.progress + display + ".");
  if (AwaitChange(service, display, t.pending, state) == t.wanted) {
    Print("\n" + display + t.done);
    return 0;
  }
  Print("\n" + display + t.failed);
  return t.unreached;
}

int Control(ServiceHandle service, const std::string& display, char action) {
  ServiceManager& scm = *Os().services;
  std::uint32_t state = 0;
  if (!scm.QueryState(service, &state)) {
    WriteLog("Service " + display + ": Could not query service.");
    return kServiceQueryFailed;
  }
  if (state == kServiceStopped && action == '0') {
    // Stopped, but perhaps due to be started again by the manager: a stop
    // that cannot cancel that has failed as a refused stop does.
    if (!scm.CancelPendingRestart(service)) {
      Print("\n" + display + kStop.failed);
      return kStop.refused;
    }
    WriteLog("Service " + display + " is already stopped");
    return 0;
  }
  if (state == kServiceRunning && action == '1') {
    WriteLog("Service " + display + " is already running");
    return 0;
  }
  // A pending or paused service is given 120 quick queries to settle.
  for (int count = 0; state != kServiceRunning && state != kServiceStopped;) {
    if (!Query(service, display, &state)) return kServicePreWaitQueryFailed;
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
  if (manager == 0) {
    // Still no failure for the caller, but the administrator learns why
    // nothing was started or stopped (a console without elevation, say).
    char error[256];
    WriteLog(std::string("OpenSCManager failed - ") + GetLastErrorText(error, sizeof error));
    return 0;
  }

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
