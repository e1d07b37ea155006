#pragma once
#include <cstdint>
#include <string>

#include "platform/sockets.h"

namespace kestro {

// Where a sweep sends its requests.
struct ProbeAddress {
  bool found = false;
  bool ipv6 = false;
  std::uint32_t ipv4 = 0;  // network order
  int family = 2;          // AF_INET as Windows numbers it
  Ipv6Address ipv6Address;
};

// The host looked up as a name first, then read as a dotted quad; only a
// text without any IPv4 address is looked up for IPv6, so that a name with
// both keeps being swept over IPv4. The socket layer must be started.
ProbeAddress ResolveProbeAddress(const std::string& host);

}  // namespace kestro
