#pragma once
// Running as a service: the dispatcher, the control handler, status reports
// and the stop event.
#include <cstdint>
#include <string>

#include "platform/wait_result.h"

namespace kestro {

using StatusHandle = std::uintptr_t;
using EventHandle = std::uintptr_t;
using ServiceMainRoutine = void (*)(int argc, char** argv);
using ControlHandlerRoutine = void (*)(std::uint32_t control);

// The service status record, field by field as the service manager takes it.
struct ServiceStatusRecord {
  std::uint32_t serviceType = 0;
  std::uint32_t currentState = 0;
  std::uint32_t controlsAccepted = 0;
  std::uint32_t win32ExitCode = 0;
  std::uint32_t serviceSpecificExitCode = 0;
  std::uint32_t checkPoint = 0;
  std::uint32_t waitHint = 0;
};

class ServiceHost {
 public:
  virtual ~ServiceHost() = default;
  // StartServiceCtrlDispatcherA with one entry: blocks while the service runs.
  virtual bool RunDispatcher(const std::string& name, ServiceMainRoutine main) = 0;
  // RegisterServiceCtrlHandlerA; 0 on failure.
  virtual StatusHandle RegisterHandler(const std::string& name, ControlHandlerRoutine handler) = 0;
  // SetServiceStatus.
  virtual bool SetStatus(StatusHandle handle, const ServiceStatusRecord& status) = 0;
  // CreateEventA: manual reset, not signalled, unnamed; 0 on failure.
  virtual EventHandle CreateStopEvent() = 0;
  virtual void SignalEvent(EventHandle event) = 0;
  // WaitForSingleObject with a time-out.
  virtual int WaitEvent(EventHandle event, std::uint32_t milliseconds) = 0;
  virtual void CloseEvent(EventHandle event) = 0;
  // The outcome of the last pass in words, for the service manager to show
  // beside the state where it has a place for it (systemd's status line).
  virtual void SetStatusText(const std::string& text) = 0;
};

}  // namespace kestro
