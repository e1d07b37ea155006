#pragma once
#include "platform/service_host.h"

namespace kestro {

class Win32ServiceHost : public ServiceHost {
 public:
  bool RunDispatcher(const std::string& name, ServiceMainRoutine main) override;
  StatusHandle RegisterHandler(const std::string& name, ControlHandlerRoutine handler) override;
  bool SetStatus(StatusHandle handle, const ServiceStatusRecord& status) override;
  EventHandle CreateStopEvent() override;
  void SignalEvent(EventHandle event) override;
  int WaitEvent(EventHandle event, std::uint32_t milliseconds) override;
  void CloseEvent(EventHandle event) override;
  void SetStatusText(const std::string& text) override;
};

}  // namespace kestro
