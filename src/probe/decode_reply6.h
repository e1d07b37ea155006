#pragma once
#include "platform/sockets.h"
#include "probe/decode_reply.h"
#include "probe/echo_in_flight.h"
#include "probe/ping_statistics.h"

namespace kestro {

inline constexpr unsigned char kEchoRequest6 = 128;
inline constexpr unsigned char kEchoReply6 = 129;

// Judges one datagram read from the ICMPv6 socket (ICMPv6 header first, no
// IPv6 header), sent by `source`, by the rules of DecodeReply: records the
// answer to `request`, in flight to `probed`, and returns 0; returns 0 too
// for an ICMPv6 error about that request; returns 1 to keep waiting for
// either. Reads nothing past `count` bytes.
int DecodeReply6(PingStatistics& stats, const unsigned char* datagram, int count,
                 const Ipv6Address& source, const Ipv6Address& probed,
                 const EchoInFlight& request);

}  // namespace kestro
