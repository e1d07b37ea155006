#pragma once
// The sweep of a TCP port of the staging server, for where echo requests are
// blocked or limited, or the server's service itself is what matters.
#include <cstdint>
#include <string>

#include "probe/ping_statistics.h"

namespace kestro {

inline constexpr std::uint32_t kMaxProbePort = 65535;

// What is wrong with a ProbePort value, for -check and the log; empty when
// it is 0 (no connect sweep) or a port.
std::string ProbePortProblem(std::uint32_t port);

// Connects `count` times to `port` of `host`, one attempt after the other,
// each awaited at most the time-out, closed at once without sending
// anything, and followed by a pause of one second; fills `stats` as an echo
// sweep does, with PacketSize and BytesPerSecond 0. Returns 0, or ErrorCode
// after the failure that ended the sweep.
int ProbeConnect(PingStatistics& stats, const std::string& host, int port, int count,
                 int timeoutSeconds, int timeoutMilliseconds);

}  // namespace kestro
