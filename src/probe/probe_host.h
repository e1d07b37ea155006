#pragma once
#include <cstdint>
#include <string>

#include "probe/ping_statistics.h"

namespace kestro {

// Failures that end a sweep, added to ErrorCode.
inline constexpr int kProbeStartupFailed = 2;
inline constexpr int kProbeSocketFailed = 4;
inline constexpr int kProbeUnresolved = 8;
inline constexpr int kProbeAllocFailed = 16;
inline constexpr int kProbeSendFailed = 32;
inline constexpr int kProbeReceiveFailed = 64;

// The Winsock version a sweep asks for: 2.1.
inline constexpr std::uint16_t kWinsockVersion = 0x0102;

// Ends a sweep with a failure: the message in ErrorText and the log, the code
// added to ErrorCode. Returns the new ErrorCode.
int FailSweep(PingStatistics& stats, int code, const std::string& message);

// Both buffers of a sweep; the largest message that fits.
inline constexpr int kProbeBufferSize = 4096;
inline constexpr int kMaxPacketSize = kProbeBufferSize - 12;

// Sends `count` echo requests of `packetSize` data bytes to `host`, one after
// the other, each awaited at most the time-out and followed by a pause of one
// second, and fills `stats`. Returns 0, or ErrorCode after the failure that
// ended the sweep.
int ProbeHost(PingStatistics& stats, const std::string& host, int packetSize, int count,
              int timeoutSeconds, int timeoutMilliseconds);

}  // namespace kestro
