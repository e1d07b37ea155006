#pragma once
#include <cstdint>
#include <string>

#include "platform/threads.h"

namespace kestro {

class Monitor;

// A pass is due when the last one ended more than this many seconds ago.
inline constexpr std::int32_t kPassInterval = 60 * 60;

// What the supervisor keeps between ticks.
struct SupervisorState {
  ThreadHandle ProcessingThread = 0;
  ThreadHandle ReplacementThread = 0;
  std::uint32_t ProcessingThreadId = 0;
  std::uint32_t LastExitCode = 0;
  bool FirstTick = true;
  std::string Message;
  std::int32_t LastPassTime = 0;
};

// One tick of a driver: keeps the watcher thread alive and runs a pass when
// one is due.
void SupervisorTick(Monitor& monitor);

// The watcher thread: notes every change of the address table.
void WatchAddressChanges();

// The console driver: a tick, then a pause of 1000 ms, without end.
[[noreturn]] void RunDirectTickLoop(Monitor& monitor);

}  // namespace kestro
