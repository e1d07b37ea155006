#pragma once
// What a wait on a handle (a child, a thread, an event) comes back with, and
// the exit code the system reports for a child or a thread that still runs.
#include <cstdint>

namespace kestro {

// Results of waiting on a handle.
inline constexpr int kWaitSignalled = 0;
inline constexpr int kWaitTimedOut = 258;
inline constexpr int kWaitFailed = -1;

// GetExitCodeProcess and GetExitCodeThread report this while the process or
// the thread still runs.
inline constexpr std::uint32_t kStillActive = 259;

}  // namespace kestro
