#include "platform/posix/service_host_posix.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kestro {
namespace {
struct Event {
  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;
};
}  // namespace

bool PosixServiceHost::RunDispatcher(const std::string&, ServiceMainRoutine) {
  errno = ENOSYS;
  return false;
}

StatusHandle PosixServiceHost::RegisterHandler(const std::string&, ControlHandlerRoutine) {
  errno = ENOSYS;
  return 0;
}

bool PosixServiceHost::SetStatus(StatusHandle, const ServiceStatusRecord&) {
  errno = ENOSYS;
  return false;
}

EventHandle PosixServiceHost::CreateStopEvent() { return reinterpret_cast<EventHandle>(new Event); }

void PosixServiceHost::SignalEvent(EventHandle handle) {
  auto* event = reinterpret_cast<Event*>(handle);
  std::lock_guard<std::mutex> guard(event->mutex);
  event->set = true;
  event->changed.notify_all();
}

int PosixServiceHost::WaitEvent(EventHandle handle, std::uint32_t milliseconds) {
  auto* event = reinterpret_cast<Event*>(handle);
  std::unique_lock<std::mutex> lock(event->mutex);
  return event->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [event] { return event->set; })
             ? kWaitSignalled
             : kWaitTimedOut;
}

void PosixServiceHost::CloseEvent(EventHandle handle) { delete reinterpret_cast<Event*>(handle); }

}  // namespace kestro
