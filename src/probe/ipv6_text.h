#pragma once
// IPv6 addresses as text, the same on every system.
#include <string>

#include "platform/sockets.h"

namespace kestro {

// The standard text form (RFC 5952): lower-case hexadecimal without leading
// zeros, the longest run of two or more zero groups (the first of equal
// runs) as "::", an IPv4-mapped address with its dotted quad at the end.
// A scope is not shown.
std::string FormatIpv6(const Ipv6Address& address);

// The text inside brackets, "[2001:db8::10]" giving "2001:db8::10"; any
// other text as it is.
std::string WithoutBrackets(const std::string& host);

}  // namespace kestro
