#pragma once
#include <cstdint>

#include "probe/echo_in_flight.h"
#include "probe/ping_statistics.h"

namespace kestro {

inline constexpr int kKeepWaiting = 1;
inline constexpr int kStopWaiting = 0;

// Judges one datagram read from the raw socket (IPv4 header first), sent by
// `source`: records the answer to `request`, in flight to `probed`, and
// returns 0; returns 0 too for an ICMP error about that request; returns 1
// to keep waiting for either. Reads nothing past `count` bytes.
int DecodeReply(PingStatistics& stats, const unsigned char* datagram, int count,
                std::uint32_t source, std::uint32_t probed, const EchoInFlight& request);

}  // namespace kestro
