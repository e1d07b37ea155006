#pragma once
// ICMP over one address family as the echo sweep meets it: the types it
// sends and judges, and where the IP header of a datagram that an error
// quotes says what it carried and to whom. The judgement, the sockets'
// filters and the datagram sockets all take them from here.
namespace kestro {

struct IcmpFamily {
  unsigned char echoRequest;
  unsigned char echoReply;
  // The errors that report on a datagram and quote its start.
  unsigned char errors[5];
  int errorCount;
  // The IP header: its version, its fixed size, the offset and the value
  // that name ICMP as what follows, and where the destination stands.
  unsigned char version;
  int headerSize;
  int protocolAt;
  unsigned char protocol;
  int destinationAt;
  int addressSize;
  // Whether what the socket hands over begins with the IP header.
  bool headerRead;

  bool IsError(unsigned char type) const {
    for (int i = 0; i < errorCount; ++i)
      if (errors[i] == type) return true;
    return false;
  }
  // The length of the IP header at `ip`: IPv4's header gives its own; the
  // sweep sends IPv6 without extension headers.
  int HeaderLength(const unsigned char* ip) const {
    return version == 4 ? (ip[0] & 0x0F) * 4 : headerSize;
  }
};

// RFC 792: destination unreachable, source quench, redirect, time
// exceeded, parameter problem.
inline constexpr IcmpFamily kIcmp4 = {8, 0, {3, 4, 5, 11, 12}, 5, 4, 20, 9, 1, 16, 4, true};
// RFC 4443: destination unreachable, packet too big, time exceeded,
// parameter problem. Neighbour discovery, router advertisements and
// multicast listener messages are informational and report on nothing.
inline constexpr IcmpFamily kIcmp6 = {128, 129, {1, 2, 3, 4}, 4, 6, 40, 6, 58, 24, 16, false};

}  // namespace kestro
