#include "monitor/supervisor.h"

#include "app/monitor_app.h"
#include "platform/platform.h"

namespace kestro {

void SupervisorTick(MonitorApp&) {
  // The pass and the address watcher are not part of this build yet: a tick
  // does nothing.
}

void RunDirectTickLoop(MonitorApp& app) {
  for (;;) {
    SupervisorTick(app);
    Os().clock->SleepMs(1000);
  }
}

}  // namespace kestro
