#pragma once
#include <map>

#include "platform/posix/ping_socket_posix.h"
#include "platform/sockets.h"

struct sockaddr;
struct sockaddr_storage;

namespace kestro {

// Leaves `error` (an errno value) as the calling thread's socket error, read
// as Winsock numbers the errors the sweep tells apart; returns -1.
int SocketCallFailed(int error);

// A raw AF_INET/IPPROTO_ICMP socket, which hands over each datagram with its
// IPv4 header as Winsock does. Errors are errno values, except that a time-out
// reads as kSocketTimedOut and a datagram too large as kSocketMessageTooLong.
// Where the raw socket is refused for want of privilege, an ICMP datagram
// socket serves in its place.
class PosixSockets : public Sockets {
 public:
  int Startup(std::uint16_t version) override;
  void Cleanup() override;
  bool OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) override;
  bool ResolveName(const std::string& host, std::uint32_t* address, int* family) override;
  bool ParseDottedQuad(const std::string& host, std::uint32_t* address) override;
  std::string FormatAddress(std::uint32_t address) override;
  int SendTo(SocketHandle socket, const unsigned char* data, int length, std::uint32_t address,
             int family) override;
  int WaitReadable(SocketHandle socket, int seconds, int milliseconds) override;
  int ReceiveFrom(SocketHandle socket, unsigned char* buffer, int size,
                  std::uint32_t* source) override;
  int LastSocketError() override;
  void Close(SocketHandle socket) override;
  bool OpenRawIcmp6(SocketHandle* socket, IcmpSocketKind* kind) override;
  bool ResolveName6(const std::string& host, Ipv6Address* address) override;
  int SendTo6(SocketHandle socket, const unsigned char* data, int length,
              const Ipv6Address& address) override;
  int ReceiveFrom6(SocketHandle socket, unsigned char* buffer, int size,
                   Ipv6Address* source) override;

  // The TCP connect: tcp_connect_posix.cpp.
  bool OpenTcp(bool ipv6, SocketHandle* socket) override;
  int StartConnect(SocketHandle socket, std::uint32_t address, int port) override;
  int StartConnect6(SocketHandle socket, const Ipv6Address& address, int port) override;
  ConnectWait WaitConnected(SocketHandle socket, int seconds, int milliseconds) override;
  int ConnectError(SocketHandle socket) override;

 private:
  bool OpenIcmp(const IcmpFamily& family, SocketHandle* socket, IcmpSocketKind* kind);
  int Send(SocketHandle socket, const unsigned char* data, int length, const sockaddr* to,
           unsigned toLength);
  int Receive(SocketHandle socket, unsigned char* buffer, int size, sockaddr_storage* from);

  // The open datagram sockets; only the sweeping thread uses them.
  std::map<int, PingSocket> pingSockets_;
};

}  // namespace kestro
