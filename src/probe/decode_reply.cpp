#include "probe/decode_reply.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "log/write_log.h"
#include "platform/platform.h"
#include "probe/echo_message.h"
#include "probe/ipv6_text.h"

namespace kestro {
namespace {

constexpr int kErrorHeaderSize = 8;  // type, code, checksum, 4 bytes the type defines

std::string AddressText(const IcmpFamily& family, const unsigned char* address) {
  if (family.addressSize == 4) {
    std::uint32_t v4;
    std::memcpy(&v4, address, sizeof v4);
    return Os().sockets->FormatAddress(v4);
  }
  Ipv6Address v6;
  std::memcpy(v6.bytes, address, sizeof v6.bytes);
  return FormatIpv6(v6);
}

// Whether the datagram an error quotes (`length` bytes from its IP header
// on) is the request in flight: ICMP right after the header, to the probed
// address, and the request's own bytes as far as they are quoted.
bool AboutRequest(const IcmpFamily& family, const unsigned char* quote, int length,
                  const unsigned char* probed, const EchoInFlight& request) {
  if (length < family.headerSize || quote[0] >> 4 != family.version) return false;
  const int h = family.HeaderLength(quote);
  if (h < family.headerSize || length < h || quote[family.protocolAt] != family.protocol)
    return false;
  return std::memcmp(quote + family.destinationAt, probed,
                     static_cast<std::size_t>(family.addressSize)) == 0 &&
         QuotesRequest(request, quote + h, length - h);
}

}  // namespace

int JudgeDatagram(PingStatistics& stats, const IcmpFamily& family, const unsigned char* datagram,
                  int count, const unsigned char* source, const unsigned char* probed,
                  const EchoInFlight& request) {
  char line[200];
  const int h = family.headerRead && count > 0 ? family.HeaderLength(datagram) : 0;
  if (count < 1 || count < h + 8) {
    // Nothing of this datagram can be judged; the answer may still come.
    WriteLog("Too few bytes from " + AddressText(family, source) + "\n");
    return kKeepWaiting;
  }
  const unsigned char* icmp = datagram + h;
  const int length = count - h;
  if (icmp[0] != family.echoReply) {
    // The socket sees every ICMP message reaching this machine: errors about
    // other programs' datagrams (a port-unreachable answer to anyone's UDP),
    // requests (our own coming back when the server is this machine, or
    // another host pinging us), and types that report on nothing. Only an
    // error about the request in flight ends its wait; taking any other
    // would count a healthy server as failing.
    if (!family.IsError(icmp[0]) || !AboutRequest(family, icmp + kErrorHeaderSize,
                                                  length - kErrorHeaderSize, probed, request))
      return kKeepWaiting;
    std::snprintf(line, sizeof line, "non-echo type %d recvd", icmp[0]);
    WriteLog(line);
    return kStopWaiting;
  }
  // The socket sees every echo answer reaching this machine: those to our
  // earlier requests, and those to other programs' pings of any host, which
  // may carry our identifier on purpose and any send time. Only the probed
  // host's answer echoing the request in flight byte for byte counts; its
  // send time is then the one we wrote.
  if (std::memcmp(source, probed, static_cast<std::size_t>(family.addressSize)) != 0 ||
      length < static_cast<int>(kEchoHeaderSize) || !EchoesRequest(request, icmp, length))
    return kKeepWaiting;

  const std::uint32_t time = Os().clock->TickCount() - ReadLe32(icmp + 8);
  stats.RecordReply(time);
  std::snprintf(line, sizeof line, "Ping to %s: Got %d bytes icmp_seq = %d time: %d ms ",
                AddressText(family, source).c_str(), count, ReadLe16(icmp + 6),
                static_cast<int>(time));
  WriteLog(line);
  return kStopWaiting;
}

int DecodeReply(PingStatistics& stats, const unsigned char* datagram, int count,
                std::uint32_t source, std::uint32_t probed, const EchoInFlight& request) {
  unsigned char from[4], to[4];
  std::memcpy(from, &source, sizeof from);
  std::memcpy(to, &probed, sizeof to);
  return JudgeDatagram(stats, kIcmp4, datagram, count, from, to, request);
}

// The scope is not compared: the system fills it in on what it receives.
int DecodeReply6(PingStatistics& stats, const unsigned char* datagram, int count,
                 const Ipv6Address& source, const Ipv6Address& probed,
                 const EchoInFlight& request) {
  return JudgeDatagram(stats, kIcmp6, datagram, count, source.bytes, probed.bytes, request);
}

}  // namespace kestro
