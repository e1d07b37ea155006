#include "monitor/last_address_change.h"

namespace kestro {
std::atomic<std::int32_t> LastAddressChange{0};
}  // namespace kestro
