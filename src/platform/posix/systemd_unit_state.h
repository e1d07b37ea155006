#pragma once
// The state of one unit as the Windows service manager would report it:
// its pending job first, then ActiveState and SubState, and a oneshot run
// that ended in success since this handle asked for it.
#include <cstdint>
#include <string>

#include "platform/posix/systemd_bus.h"

namespace kestro {

// One unit on a bus connection, and when this handle asked the unit to
// start (CLOCK_MONOTONIC, microseconds, as systemd stamps units; 0: never).
struct UnitHandle {
  Bus bus;
  std::string unit;
  std::string path;
  std::uint64_t startRequestedAt = 0;
};

// Now on the clock systemd stamps units with.
std::uint64_t MonotonicMicroseconds();

bool QueryUnitState(const UnitHandle& service, std::uint32_t* state);

// A request systemd would take but the Windows service manager refuses:
// true when the unit is already `settled` (the error says so) or its state
// cannot be read.
bool RefuseWhenIn(const UnitHandle& service, std::uint32_t settled, int code, const char* text);

// StartUnit or StopUnit, replacing a job queued for the unit.
bool RequestJob(const UnitHandle& service, const char* method);

}  // namespace kestro
