#pragma once
#include <atomic>
#include <cstdint>

namespace kestro {

// Unix time of the last change of the address table. Written by the watcher
// thread and read by the supervisor without a lock, so it is one atomic value.
extern std::atomic<std::int32_t> LastAddressChange;
// Changes noted by the watcher thread since the program started.
extern std::atomic<std::uint32_t> AddressChangeCount;

}  // namespace kestro
