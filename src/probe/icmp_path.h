#pragma once
// The sweep's way to its host over one address family: the host's address,
// the socket calls that reach it, and the judgement of what comes back and
// from whom. The sweep picks the path for its host's address and then calls
// it alike for either family.
#include <cstdint>

#include "platform/icmp_family.h"
#include "platform/sockets.h"
#include "probe/echo_in_flight.h"
#include "probe/ping_statistics.h"

namespace kestro {

class IcmpPath {
 public:
  virtual ~IcmpPath() = default;
  // Makes `socket`, the IPv4 ICMP socket the sweep opened first, this
  // family's; `open` says whether a socket is held afterwards.
  virtual bool Adopt(SocketHandle* socket, IcmpSocketKind* kind, bool* open) = 0;
  // Gives a filled request this family's type, send time, sequence and
  // checksum.
  virtual void Seal(unsigned char* request, int length, std::uint32_t tick,
                    std::uint16_t sequence);
  // sendto the host: bytes sent, or -1.
  virtual int Send(SocketHandle socket, const unsigned char* data, int length) = 0;
  // recvfrom, keeping the source: the byte count, or -1.
  virtual int Receive(SocketHandle socket, unsigned char* buffer, int size) = 0;
  // The judgement of the datagram last received.
  virtual int Judge(PingStatistics& stats, const unsigned char* datagram, int count,
                    const EchoInFlight& request) = 0;
};

// The raw IPv4 socket, to an IPv4 address.
class Ipv4Path : public IcmpPath {
 public:
  void Aim(std::uint32_t address, int family) {
    address_ = address;
    family_ = family;
  }
  bool Adopt(SocketHandle* socket, IcmpSocketKind* kind, bool* open) override;
  int Send(SocketHandle socket, const unsigned char* data, int length) override;
  int Receive(SocketHandle socket, unsigned char* buffer, int size) override;
  int Judge(PingStatistics& stats, const unsigned char* datagram, int count,
            const EchoInFlight& request) override;

 private:
  std::uint32_t address_ = 0;
  int family_ = 0;
  std::uint32_t source_ = 0;
};

// The ICMPv6 socket, to an IPv6 address.
class Ipv6Path : public IcmpPath {
 public:
  void Aim(const Ipv6Address& address) { address_ = address; }
  bool Adopt(SocketHandle* socket, IcmpSocketKind* kind, bool* open) override;
  void Seal(unsigned char* request, int length, std::uint32_t tick,
            std::uint16_t sequence) override;
  int Send(SocketHandle socket, const unsigned char* data, int length) override;
  int Receive(SocketHandle socket, unsigned char* buffer, int size) override;
  int Judge(PingStatistics& stats, const unsigned char* datagram, int count,
            const EchoInFlight& request) override;

 private:
  Ipv6Address address_;
  Ipv6Address source_;
};

}  // namespace kestro
