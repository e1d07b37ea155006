#include "probe/decode_reply.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/echo_message.h"

namespace kestro {
namespace {

constexpr int kIpv4MinHeader = 20;
constexpr unsigned char kProtocolIcmp = 1;
constexpr int kErrorHeaderSize = 8;  // type, code, checksum, 4 bytes the type defines

// The messages that report on a datagram and quote its start (RFC 792):
// destination unreachable, source quench, redirect, time exceeded,
// parameter problem.
bool IsError(unsigned char type) {
  return type == 3 || type == 4 || type == 5 || type == 11 || type == 12;
}

// Whether the datagram an error quotes (`length` bytes from its IPv4
// header on) is the request in flight: ICMP, to the probed address, and
// the request's own bytes as far as they are quoted.
bool AboutRequest(const unsigned char* quote, int length, std::uint32_t probed,
                  const EchoInFlight& request) {
  if (length < kIpv4MinHeader || quote[0] >> 4 != 4) return false;
  const int h = (quote[0] & 0x0F) * 4;
  if (h < kIpv4MinHeader || length < h || quote[9] != kProtocolIcmp) return false;
  std::uint32_t destination;
  std::memcpy(&destination, quote + 16, sizeof destination);
  return destination == probed && QuotesRequest(request, quote + h, length - h);
}

}  // namespace

int DecodeReply(PingStatistics& stats, const unsigned char* datagram, int count,
                std::uint32_t source, std::uint32_t probed, const EchoInFlight& request) {
  char line[160];
  const int h = count > 0 ? (datagram[0] & 0x0F) * 4 : 0;
  if (count < 1 || count < h + 8) {
    // Nothing of this datagram can be judged; the answer may still come.
    WriteLog("Too few bytes from " + Os().sockets->FormatAddress(source) + "\n");
    return kKeepWaiting;
  }
  const unsigned char* icmp = datagram + h;
  const int length = count - h;
  if (icmp[0] != kEchoReply) {
    // The raw socket sees every ICMP message reaching this machine: errors
    // about other programs' datagrams (a port-unreachable answer to anyone's
    // UDP), requests (our own coming back when the server is this machine,
    // or another host pinging us), and types that report on nothing. Only
    // an error about the request in flight ends its wait; taking any other
    // would count a healthy server as failing.
    if (!IsError(icmp[0]) ||
        !AboutRequest(icmp + kErrorHeaderSize, length - kErrorHeaderSize, probed, request))
      return kKeepWaiting;
    std::snprintf(line, sizeof line, "non-echo type %d recvd", icmp[0]);
    WriteLog(line);
    return kStopWaiting;
  }
  // The raw socket sees every echo answer reaching this machine: those to
  // our earlier requests, and those to other programs' pings of any host,
  // which may carry our identifier on purpose and any send time. Only the
  // probed host's answer echoing the request in flight byte for byte counts;
  // its send time is then the one we wrote.
  if (source != probed || length < static_cast<int>(kEchoHeaderSize) ||
      !EchoesRequest(request, icmp, length))
    return kKeepWaiting;

  const std::uint32_t time = Os().clock->TickCount() - ReadLe32(icmp + 8);
  stats.RecordReply(time);
  std::snprintf(line, sizeof line, "Ping to %s: Got %d bytes icmp_seq = %d time: %d ms ",
                Os().sockets->FormatAddress(source).c_str(), count, ReadLe16(icmp + 6),
                static_cast<int>(time));
  WriteLog(line);
  return kStopWaiting;
}

}  // namespace kestro
