#pragma once
#include <cstdint>

#include "platform/icmp_family.h"
#include "platform/sockets.h"
#include "probe/echo_in_flight.h"
#include "probe/ping_statistics.h"

namespace kestro {

inline constexpr int kKeepWaiting = 1;
inline constexpr int kStopWaiting = 0;

// Judges one datagram read from the ICMP socket of `family` (IP header first
// where that socket hands it over), sent by `source`: records the answer to
// `request`, in flight to `probed`, and returns 0; returns 0 too for an ICMP
// error about that request; returns 1 to keep waiting for either. Both
// addresses are family.addressSize bytes in network order. Reads nothing
// past `count` bytes.
int JudgeDatagram(PingStatistics& stats, const IcmpFamily& family, const unsigned char* datagram,
                  int count, const unsigned char* source, const unsigned char* probed,
                  const EchoInFlight& request);

// The judgement of what the raw IPv4 socket hands over, and of what the
// ICMPv6 socket does (the scope of the addresses aside).
int DecodeReply(PingStatistics& stats, const unsigned char* datagram, int count,
                std::uint32_t source, std::uint32_t probed, const EchoInFlight& request);
int DecodeReply6(PingStatistics& stats, const unsigned char* datagram, int count,
                 const Ipv6Address& source, const Ipv6Address& probed,
                 const EchoInFlight& request);

}  // namespace kestro
