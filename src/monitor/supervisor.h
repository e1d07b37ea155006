#pragma once
#include <cstdint>
#include <string>

namespace kestro {

class MonitorApp;

// What the supervisor keeps between ticks.
struct SupervisorState {
  bool FirstTick = true;
  std::string Message;
  std::int32_t LastPassTime = 0;
};

// One tick of the driver: runs a pass when one is due.
void SupervisorTick(MonitorApp& app);

// The console driver: a tick, then a pause of 1000 ms, without end.
[[noreturn]] void RunDirectTickLoop(MonitorApp& app);

}  // namespace kestro
