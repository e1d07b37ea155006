#include "platform/posix/service_host_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/service_manager.h"

namespace kestro {
namespace {

struct Event {
  std::mutex mutex;
  std::condition_variable changed;
  bool set = false;
};

// The control code of a stop request.
constexpr std::uint32_t kStopControl = 1;

// What the service thread tells the dispatcher's loop, one byte each.
constexpr char kFinished = 'f';
constexpr char kHandlerRegistered = 'h';

void Wake(int fd, char why) {
  while (write(fd, &why, 1) < 0 && errno == EINTR) {
  }
}

bool Notify(const std::string& message) {
  const int r = sd_notify(0, message.c_str());
  if (r < 0) {
    errno = -r;
    return false;
  }
  return true;
}

}  // namespace

bool PosixServiceHost::RunDispatcher(const std::string& name, ServiceMainRoutine main) {
  const char* socket = std::getenv("NOTIFY_SOCKET");
  if (socket == nullptr || *socket == '\0') {
    errno = ENOSYS;  // not started by the service manager
    return false;
  }
  // SIGTERM is the stop request. Blocked in every thread (those made from
  // here on inherit the mask), it is read from a descriptor by this one.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigset_t before;
  if (pthread_sigmask(SIG_BLOCK, &stop, &before) != 0) return false;
  const int signals = signalfd(-1, &stop, SFD_CLOEXEC);
  int wake[2];
  if (signals < 0 || pipe2(wake, O_CLOEXEC) != 0) {
    const int error = errno;
    if (signals >= 0) close(signals);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return false;
  }

  wake_.store(wake[1]);
  {
    std::lock_guard<std::mutex> guard(statusMutex_);
    stopped_ = false;
  }

  std::thread service([&] {
    std::vector<char> argument(name.begin(), name.end());
    argument.push_back('\0');
    char* argv[] = {argument.data(), nullptr};
    main(1, argv);
    Wake(wake[1], kFinished);
  });

  // The calling thread handles controls until the service routine returns.
  // A stop that comes before the service has registered its handler waits
  // for the handler: the registration wakes this loop.
  bool stopPending = false;
  for (bool running = true; running;) {
    pollfd fds[2] = {{signals, POLLIN, 0}, {wake[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;  // EINTR
    if (fds[1].revents != 0) {
      char byte = 0;
      if (read(wake[0], &byte, 1) == 1 && byte == kFinished) running = false;
    }
    if (fds[0].revents != 0) {
      signalfd_siginfo info;
      if (read(signals, &info, sizeof info) == sizeof info) stopPending = true;
    }
    const ControlHandlerRoutine handler = handler_.load();
    if (running && stopPending && handler != nullptr) {
      stopPending = false;
      handler(kStopControl);
    }
  }
  wake_.store(-1);
  service.join();
  close(signals);
  close(wake[0]);
  close(wake[1]);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return true;
}

StatusHandle PosixServiceHost::RegisterHandler(const std::string&, ControlHandlerRoutine handler) {
  handler_.store(handler);
  // The dispatcher may hold a stop for it.
  const int wake = wake_.load();
  if (wake >= 0) Wake(wake, kHandlerRegistered);
  return 1;
}

// The states systemd knows of: running once the start is complete, stopping
// once a stop was asked for. The pending states of the start and the final
// stop (the process ends) need no message.
// The stop handler runs on the dispatcher's thread, so its stop pending may
// come after the service thread reported stopped: it has nothing left to say.
bool PosixServiceHost::SetStatus(StatusHandle, const ServiceStatusRecord& status) {
  std::lock_guard<std::mutex> guard(statusMutex_);
  if (status.currentState == kServiceRunning) return Notify("READY=1");
  if (status.currentState == kServiceStopped) stopped_ = true;
  if (status.currentState == kServiceStopPending && !stopped_) return Notify("STOPPING=1");
  return true;
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

void PosixServiceHost::SetStatusText(const std::string& text) { Notify("STATUS=" + text); }

}  // namespace kestro
