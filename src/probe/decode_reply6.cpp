#include "probe/decode_reply6.h"

#include <cstdio>
#include <cstring>

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/echo_message.h"
#include "probe/ipv6_text.h"

namespace kestro {
namespace {

constexpr int kIpv6HeaderSize = 40;
constexpr unsigned char kNextHeaderIcmp6 = 58;
constexpr int kErrorHeaderSize = 8;  // type, code, checksum, 4 bytes the type defines

// The messages that report on a datagram and quote its start (RFC 4443):
// destination unreachable, packet too big, time exceeded, parameter
// problem. Neighbour discovery, router advertisements and multicast
// listener messages are informational (128 and above) and report on nothing.
bool IsError(unsigned char type) { return type >= 1 && type <= 4; }

// Whether the datagram an error quotes (`length` bytes from its IPv6 header
// on) is the request in flight: ICMPv6 right after the header (the sweep
// sends no extension header), to the probed address, and the request's own
// bytes as far as they are quoted.
bool AboutRequest(const unsigned char* quote, int length, const Ipv6Address& probed,
                  const EchoInFlight& request) {
  if (length < kIpv6HeaderSize || quote[0] >> 4 != 6 || quote[6] != kNextHeaderIcmp6)
    return false;
  return std::memcmp(quote + 24, probed.bytes, 16) == 0 &&
         QuotesRequest(request, quote + kIpv6HeaderSize, length - kIpv6HeaderSize);
}

}  // namespace

int DecodeReply6(PingStatistics& stats, const unsigned char* datagram, int count,
                 const Ipv6Address& source, const Ipv6Address& probed,
                 const EchoInFlight& request) {
  char line[200];
  if (count < 8) {
    WriteLog("Too few bytes from " + FormatIpv6(source) + "\n");
    return kKeepWaiting;
  }
  if (datagram[0] != kEchoReply6) {
    if (!IsError(datagram[0]) || !AboutRequest(datagram + kErrorHeaderSize,
                                               count - kErrorHeaderSize, probed, request))
      return kKeepWaiting;
    std::snprintf(line, sizeof line, "non-echo type %d recvd", datagram[0]);
    WriteLog(line);
    return kStopWaiting;
  }
  // The scope is not compared: the system fills it in on what it receives.
  if (std::memcmp(source.bytes, probed.bytes, 16) != 0 ||
      count < static_cast<int>(kEchoHeaderSize) || !EchoesRequest(request, datagram, count))
    return kKeepWaiting;

  const std::uint32_t time = Os().clock->TickCount() - ReadLe32(datagram + 8);
  stats.RecordReply(time);
  std::snprintf(line, sizeof line, "Ping to %s: Got %d bytes icmp_seq = %d time: %d ms ",
                FormatIpv6(source).c_str(), count, ReadLe16(datagram + 6),
                static_cast<int>(time));
  WriteLog(line);
  return kStopWaiting;
}

}  // namespace kestro
