#pragma once
// An ICMP datagram ("ping") socket of either family, which Linux grants
// without CAP_NET_RAW to the groups in net.ipv4.ping_group_range, dressed as
// the family's raw socket: the sweep above reads the same bytes from either.
//
// What the kernel does differently: it puts the socket's port in place of the
// identifier of every request sent (and recomputes the checksum), hands over
// only answers carrying that port, and delivers IPv4 answers from the ICMP
// header on, without the IPv4 header the raw socket hands over. The sequence
// number travels unchanged. An ICMP error about a request (destination
// unreachable, ...) comes through the socket's error queue instead, and is
// turned back into the error message the raw socket would have read.
#include <cstdint>
#include <map>

#include "platform/icmp_family.h"

struct sockaddr_storage;

namespace kestro {

inline constexpr int kIpv4HeaderSize = 20;
// Where the request an ICMP error returns goes: after the IPv4 header, the
// error's ICMP header and the request's own IPv4 header.
inline constexpr int kReturnedRequestOffset = 2 * kIpv4HeaderSize + 8;
// The same for ICMPv6, read without its IPv6 header: after the error's
// header and the request's own IPv6 header.
inline constexpr int kReturnedRequestOffset6 = 8 + 40;

class PingSocket {
 public:
  explicit PingSocket(const IcmpFamily& family = kIcmp4) : family_(&family) {}

  // socket(AF_INET or AF_INET6, SOCK_DGRAM, IPPROTO_ICMP or IPPROTO_ICMPV6):
  // the descriptor, or -1 with errno.
  static int Open(const IcmpFamily& family);

  // Remembers the identifier the request carries, by its sequence number.
  void Sent(const unsigned char* request, int length);

  // One pending ICMP error, else one answer, as the raw socket would have
  // read it (an IPv4 answer dressed by DressAsRaw) with its sender: the byte
  // count, or -1 with errno (EMSGSIZE when it does not fit, as the raw
  // socket's datagram would not have; EAGAIN when nothing is there).
  int Receive(int fd, unsigned char* buffer, int size, sockaddr_storage* source) const;

  // Gives a message of the exchange with the sequence number of a request
  // sent (`length` bytes from its type on: the request an error quotes, as
  // far as it was quoted, or an answer) the identifier the request carried
  // when it left the sweep, its checksum following by RFC 1624.
  void RestoreIdentifier(unsigned char* message, int length) const;

  // Writes the ICMP error `type`/`code` in front of the request it concerns,
  // which lies at buffer + 48 (`returned` bytes), as the error message reads
  // from the ICMP header on: type, code, checksum, 4 unused bytes, the
  // request's IPv4 header (to `target`), the request. Returns its length.
  static int BuildIcmpError(unsigned char* buffer, int returned, std::uint8_t type,
                            std::uint8_t code, std::uint32_t target);
  // The same over IPv6, the request at buffer + 48, no IP header in front:
  // type, code, checksum 0, 4 unused bytes, the request's IPv6 header.
  static int BuildIcmp6Error(unsigned char* buffer, int returned, std::uint8_t type,
                             std::uint8_t code, const unsigned char* target);

  // Writes an IPv4 header (version 4, 20 bytes, protocol ICMP, the total
  // length, `source` and `destination` in network order, with its checksum)
  // before the `length` bytes of ICMP at buffer + 20, and gives an answer the
  // identifier that went out with its sequence number, checksum corrected.
  // Returns 20 + length.
  int DressAsRaw(unsigned char* buffer, int length, std::uint32_t source,
                 std::uint32_t destination, std::uint8_t ttl) const;

 private:
  int ReceiveError(int fd, unsigned char* buffer, int size, sockaddr_storage* source) const;

  const IcmpFamily* family_;
  // Identifier by sequence number, both as the two bytes the request carried.
  std::map<std::uint16_t, std::uint16_t> identifiers_;
};

}  // namespace kestro
