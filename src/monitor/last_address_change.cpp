#include "monitor/last_address_change.h"

namespace kestro {
std::atomic<std::int32_t> LastAddressChange{0};
std::atomic<std::uint32_t> AddressChangeCount{0};
}  // namespace kestro
