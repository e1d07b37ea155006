#include "app/service_mode.h"

#include <cstdio>

#include "app/file_version.h"
#include "app/monitor_app.h"
#include "log/report_event.h"
#include "monitor/supervisor.h"
#include "platform/lock.h"
#include "platform/platform.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

// One set per process. Reports come from the handler's and the worker's
// threads; the lock keeps record and counter whole.
Lock statusLock;
ServiceStatusRecord status;
StatusHandle statusHandle = 0;
EventHandle stopEvent = 0;
std::uint32_t lastServiceError = 0;
std::uint32_t checkPoint = 1;
// Set by the first stop request. A stop can arrive before the service runs
// (systemd sends SIGTERM whenever it likes); the start then ends there.
bool stopRequested = false;

constexpr std::uint32_t kStartHint = 3000;
constexpr std::uint32_t kStopHint = 10000;

// Stores and hands on one report; the caller holds the lock.
bool SetStatusLocked(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint) {
  status.controlsAccepted = state == kServiceStartPending ? 0 : kAcceptStop;
  status.currentState = state;
  status.win32ExitCode = exitCode;
  status.waitHint = waitHint;
  status.checkPoint = (state == kServiceRunning || state == kServiceStopped) ? 0 : checkPoint++;
  return Os().serviceHost->SetStatus(statusHandle, status);
}

// A report of the start (pending or running), unless a stop was asked for:
// then nothing is reported and the start ends. Checked and reported under
// one lock, so a stop is either seen here or comes after the report.
bool ReportStart(std::uint32_t state, std::uint32_t waitHint) {
  bool reported;
  {
    LockGuard guard(statusLock);
    if (stopRequested) return false;
    reported = SetStatusLocked(state, 0, waitHint);
  }
  if (!reported) ReportServiceError("SetServiceStatus");
  return reported;
}

}  // namespace

void ResetServiceMode() {
  LockGuard guard(statusLock);
  status = ServiceStatusRecord();
  statusHandle = 0;
  stopEvent = 0;
  lastServiceError = 0;
  checkPoint = 1;
  stopRequested = false;
}

ServiceStatusRecord CurrentServiceStatus() {
  LockGuard guard(statusLock);
  return status;
}

void RunServiceMode() {
  if (Os().serviceHost->RunDispatcher(kServiceName, ServiceMain)) Os().process->Exit(0);
  Os().console->Write(Stream::Output, "StartServiceCtrlDispatcher failed.\n");
  Os().console->Flush(Stream::Output);
  Os().process->Exit(kExitDispatcherFailed);
  // The compiler cannot see through the virtual call that Exit never returns.
  __builtin_unreachable();
}

void ServiceMain(int argc, char** argv) {
  const StatusHandle handle = Os().serviceHost->RegisterHandler(kServiceName, ServiceControlHandler);
  if (handle == 0) return;
  {
    LockGuard guard(statusLock);
    statusHandle = handle;
    status.serviceType = kServiceOwnProcess;
    status.serviceSpecificExitCode = 0;
  }
  if (ReportStart(kServiceStartPending, kStartHint)) ServiceWorker(argc, argv);
  std::uint32_t exitCode;
  {
    LockGuard guard(statusLock);
    exitCode = lastServiceError;
  }
  ReportServiceStatus(kServiceStopped, exitCode, 0);
}

void ServiceWorker(int, char**) {
  ServiceHost& host = *Os().serviceHost;
  MonitorApp app;
  EventHandle event = 0;
  bool started = ReportStart(kServiceStartPending, kStartHint);
  if (started) {
    event = host.CreateStopEvent();
    LockGuard guard(statusLock);
    stopEvent = event;
  }
  // A stop asked for by now ends the start here: the service never reports running.
  started = started && event != 0 && ReportStart(kServiceStartPending, kStartHint) &&
            ReportStart(kServiceStartPending, kStartHint) && ReportStart(kServiceRunning, 0);
  if (started) {
    app.Version = GetFileVersionText();
    ReportToEventLog("Service was started, starting main loop. version " + app.Version,
                     kEventInformation);
    // A stop request is seen between ticks, after any pass has ended.
    std::string verdict;
    for (;;) {
      SupervisorTick(app);
      if (app.StatusLine() != verdict) {
        verdict = app.StatusLine();
        host.SetStatusText(verdict);
      }
      const int waited = host.WaitEvent(event, 1000);
      if (waited == kWaitSignalled) break;
      // A wait that fails returns at once: keep the pace of a tick a second.
      if (waited == kWaitFailed) Os().clock->SleepMs(1000);
    }
    ReportToEventLog("Quit on service stop request. version " + GetFileVersionText(),
                     kEventInformation);
  }
  if (event != 0) {
    {
      LockGuard guard(statusLock);
      stopEvent = 0;
    }
    host.CloseEvent(event);
  }
}

void ServiceControlHandler(std::uint32_t control) {
  if (control == kControlStop) {
    {
      LockGuard guard(statusLock);
      stopRequested = true;
    }
    ReportServiceStatus(kServiceStopPending, 0, 0);
    ServiceStop();
    return;
  }
  std::uint32_t state;
  {
    LockGuard guard(statusLock);
    state = status.currentState;
  }
  ReportServiceStatus(state, 0, 0);
}

void ServiceStop() {
  ReportServiceStatus(kServiceStopPending, 0, kStopHint);
  // Signalled under the lock: the worker takes the event away under it
  // before closing it, so a late second stop never touches a closed event.
  LockGuard guard(statusLock);
  if (stopEvent != 0) Os().serviceHost->SignalEvent(stopEvent);
}

bool ReportServiceStatus(std::uint32_t state, std::uint32_t exitCode, std::uint32_t waitHint) {
  bool reported;
  {
    LockGuard guard(statusLock);
    reported = SetStatusLocked(state, exitCode, waitHint);
  }
  if (!reported) ReportServiceError("SetServiceStatus");
  return reported;
}

void ReportServiceError(const std::string& call) {
  const std::uint32_t code = Os().lastError->Get();
  {
    LockGuard guard(statusLock);
    lastServiceError = code;
  }
  EventLog& log = *Os().eventLog;
  const EventSource source = log.RegisterSource(kEventSourceName);
  char line[256];
  std::snprintf(line, sizeof line, "%s error: %d", kEventSourceName, static_cast<int>(code));
  if (source == 0) return;
  log.Report(source, kEventError, 0, 0, {line, call});
  log.DeregisterSource(source);
}

}  // namespace kestro
