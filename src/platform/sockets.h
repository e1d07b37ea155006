#pragma once
// The socket layer of the sweep: a raw IPv4 ICMP socket and name look-up,
// the ICMPv6 socket for a staging server with IPv6 addresses only, and the
// TCP connect of a sweep of the staging server's port.
#include <cstdint>
#include <string>

namespace kestro {

using SocketHandle = std::uintptr_t;

// An IPv6 address in network order, with the scope (interface index) a
// link-local address needs.
struct Ipv6Address {
  unsigned char bytes[16] = {};
  std::uint32_t scope = 0;
};
inline bool operator==(const Ipv6Address& a, const Ipv6Address& b) {
  for (int i = 0; i < 16; ++i)
    if (a.bytes[i] != b.bytes[i]) return false;
  return a.scope == b.scope;
}

// The socket a sweep got: the raw one, or an ICMP datagram ("ping") socket
// where the system refused the raw one, presented exactly like it.
enum class IcmpSocketKind { Raw, Datagram };

// The platform's error for a send or receive that timed out (WSAETIMEDOUT).
inline constexpr int kSocketTimedOut = 10060;
// The platform's error for a datagram larger than the receive buffer
// (WSAEMSGSIZE): the datagram is consumed and lost.
inline constexpr int kSocketMessageTooLong = 10040;
// The platform's errors for a connect refused by the host (WSAECONNREFUSED)
// or answered by an ICMP unreachable (WSAEHOSTUNREACH, WSAENETUNREACH).
inline constexpr int kSocketRefused = 10061;
inline constexpr int kSocketHostUnreachable = 10065;
inline constexpr int kSocketNetUnreachable = 10051;

// How a connect under way ended its wait.
enum class ConnectWait { TimedOut, Writable, Failed, WaitFailed };

class Sockets {
 public:
  virtual ~Sockets() = default;
  // WSAStartup with the version word: 0, or its error code, which is also
  // left as the calling thread's last error.
  virtual int Startup(std::uint16_t version) = 0;
  // WSACleanup, balancing a successful Startup.
  virtual void Cleanup() = 0;
  // WSASocketA(AF_INET, SOCK_RAW, IPPROTO_ICMP): blocking; datagrams read
  // from it begin with their IPv4 header. `kind` says which socket serves;
  // when none can be opened, the error is the raw socket's.
  virtual bool OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) = 0;
  // gethostbyname: the first IPv4 address of the name, in network order.
  virtual bool ResolveName(const std::string& host, std::uint32_t* address, int* family) = 0;
  // inet_addr: false for a text that is no dotted-quad address.
  virtual bool ParseDottedQuad(const std::string& host, std::uint32_t* address) = 0;
  // inet_ntoa.
  virtual std::string FormatAddress(std::uint32_t address) = 0;
  // sendto an IPv4 address (port 0): bytes sent, or -1.
  virtual int SendTo(SocketHandle socket, const unsigned char* data, int length,
                     std::uint32_t address, int family) = 0;
  // select on the socket alone: 1 readable, 0 timed out, -1 failed.
  virtual int WaitReadable(SocketHandle socket, int seconds, int milliseconds) = 0;
  // recvfrom: the byte count of one datagram with its source, or -1; a
  // datagram larger than `size` fails with kSocketMessageTooLong.
  virtual int ReceiveFrom(SocketHandle socket, unsigned char* buffer, int size,
                          std::uint32_t* source) = 0;
  // WSAGetLastError; a time-out reads kSocketTimedOut and a datagram too
  // large kSocketMessageTooLong on every system.
  virtual int LastSocketError() = 0;
  // closesocket.
  virtual void Close(SocketHandle socket) = 0;

  // WSASocketA(AF_INET6, SOCK_RAW, IPPROTO_ICMPV6): datagrams read from it
  // begin with their ICMPv6 header; the stack fills in the checksum of what
  // is sent. `kind` as for OpenRawIcmp.
  virtual bool OpenRawIcmp6(SocketHandle* socket, IcmpSocketKind* kind) = 0;
  // getaddrinfo with AF_INET6: the first IPv6 address of a name or literal.
  virtual bool ResolveName6(const std::string& host, Ipv6Address* address) = 0;
  // sendto an IPv6 address: bytes sent, or -1.
  virtual int SendTo6(SocketHandle socket, const unsigned char* data, int length,
                      const Ipv6Address& address) = 0;
  // recvfrom on the ICMPv6 socket, as ReceiveFrom.
  virtual int ReceiveFrom6(SocketHandle socket, unsigned char* buffer, int size,
                           Ipv6Address* source) = 0;

  // WSASocketA(AF_INET or AF_INET6, SOCK_STREAM, IPPROTO_TCP), made
  // non-blocking (ioctlsocket FIONBIO).
  virtual bool OpenTcp(bool ipv6, SocketHandle* socket) = 0;
  // connect to the port of an IPv4 address (network order) or an IPv6 one:
  // 1 connected at once, 0 under way, -1 failed (refusals included).
  virtual int StartConnect(SocketHandle socket, std::uint32_t address, int port) = 0;
  virtual int StartConnect6(SocketHandle socket, const Ipv6Address& address, int port) = 0;
  // select on the socket's write and exception sets, at most the time-out:
  // Writable (the connect ended, either way where the system tells no
  // more), Failed (the exception set: the connect failed), TimedOut.
  virtual ConnectWait WaitConnected(SocketHandle socket, int seconds, int milliseconds) = 0;
  // getsockopt(SO_ERROR): 0 when connected, else the connect's error, read
  // as LastSocketError reads errors; -1 when it cannot be read.
  virtual int ConnectError(SocketHandle socket) = 0;
};

}  // namespace kestro
