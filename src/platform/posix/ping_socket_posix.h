#pragma once
// An ICMP datagram ("ping") socket, which Linux grants without CAP_NET_RAW
// to the groups in net.ipv4.ping_group_range, dressed as the raw socket: the
// sweep above reads the same bytes from either.
//
// What the kernel does differently: it puts the socket's port in place of the
// identifier of every request sent (and recomputes the checksum), hands over
// only answers carrying that port, and delivers them from the ICMP header on,
// without the IPv4 header. The sequence number travels unchanged.
#include <cstdint>
#include <map>

namespace kestro {

inline constexpr int kIpv4HeaderSize = 20;

class PingSocket {
 public:
  // socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP): the descriptor, or -1 with errno.
  static int Open();

  // Remembers the identifier the request carries, by its sequence number.
  void Sent(const unsigned char* request, int length);

  // recvmsg of one answer into buffer + 20, dressed by DressAsRaw: the byte
  // count with the header, or -1 with errno (EMSGSIZE when it does not fit,
  // as the raw socket's datagram would not have).
  int Receive(int fd, unsigned char* buffer, int size, std::uint32_t* source);

  // Writes an IPv4 header (version 4, 20 bytes, protocol ICMP, the total
  // length, `source` and `destination` in network order, with its checksum)
  // before the `length` bytes of ICMP at buffer + 20, and gives an answer the
  // identifier that went out with its sequence number, checksum corrected.
  // Returns 20 + length.
  int DressAsRaw(unsigned char* buffer, int length, std::uint32_t source,
                 std::uint32_t destination, std::uint8_t ttl) const;

 private:
  // Identifier by sequence number, both as the two bytes the request carried.
  std::map<std::uint16_t, std::uint16_t> identifiers_;
};

}  // namespace kestro
