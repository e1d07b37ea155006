#pragma once
#include <atomic>
#include <mutex>

#include "platform/service_host.h"

namespace kestro {

// The service manager is systemd: a process it starts as a notify-type
// service finds NOTIFY_SOCKET set. The dispatcher then runs the service
// routine on a thread of its own and turns SIGTERM into the stop control on
// the calling thread (a SIGTERM that comes before the handler is registered
// is held for it, not lost); status reports become sd_notify messages (READY=1 for
// running, STOPPING=1 for stop pending, STATUS= for the status text).
// Without NOTIFY_SOCKET the dispatcher cannot start.
class PosixServiceHost : public ServiceHost {
 public:
  bool RunDispatcher(const std::string& name, ServiceMainRoutine main) override;
  StatusHandle RegisterHandler(const std::string& name, ControlHandlerRoutine handler) override;
  bool SetStatus(StatusHandle handle, const ServiceStatusRecord& status) override;
  EventHandle CreateStopEvent() override;
  void SignalEvent(EventHandle event) override;
  int WaitEvent(EventHandle event, std::uint32_t milliseconds) override;
  void CloseEvent(EventHandle event) override;
  void SetStatusText(const std::string& text) override;

 private:
  std::atomic<ControlHandlerRoutine> handler_{nullptr};
  // The dispatcher's wake-up pipe while it runs, else -1.
  std::atomic<int> wake_{-1};
  // Reports one at a time; none of stop pending once stopped was reported.
  std::mutex statusMutex_;
  bool stopped_ = false;
};

}  // namespace kestro
