#pragma once
// The socket layer of the echo sweep: a raw IPv4 ICMP socket and name look-up.
#include <cstdint>
#include <string>

namespace kestro {

using SocketHandle = std::uintptr_t;

// The socket a sweep got: the raw one, or an ICMP datagram ("ping") socket
// where the system refused the raw one, presented exactly like it.
enum class IcmpSocketKind { Raw, Datagram };

// The platform's error for a send or receive that timed out (WSAETIMEDOUT).
inline constexpr int kSocketTimedOut = 10060;
// The platform's error for a datagram larger than the receive buffer
// (WSAEMSGSIZE): the datagram is consumed and lost.
inline constexpr int kSocketMessageTooLong = 10040;

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
};

}  // namespace kestro
