#pragma once
#include <cstdint>
#include <string>

#include "monitor/pass_schedule.h"
#include "platform/threads.h"

namespace kestro {

class Monitor;

// What the supervisor keeps between ticks.
struct SupervisorState {
  ThreadHandle ProcessingThread = 0;
  ThreadHandle ReplacementThread = 0;
  std::uint32_t ProcessingThreadId = 0;
  std::uint32_t LastExitCode = 0;
  bool FirstTick = true;
  std::string Message;
  std::int32_t LastPassTime = 0;
  // When the next timed pass is due, and a due pass held back by PassSplay.
  PassSchedule Schedule;
};

// One tick of a driver: keeps the watcher thread alive and runs a pass when
// one is due: at the schedule's interval after the last one, or after a
// change of the address table. Such a pass (not a recheck) may be held back
// for up to PassSplay seconds, the value the last pass read; the driver
// keeps ticking meanwhile.
void SupervisorTick(Monitor& monitor);

// The watcher thread: notes every change of the address table.
void WatchAddressChanges();

// The console driver: a tick, then a pause of 1000 ms, without end.
[[noreturn]] void RunDirectTickLoop(Monitor& monitor);

}  // namespace kestro
