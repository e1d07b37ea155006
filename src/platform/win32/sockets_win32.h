#pragma once
#include "platform/sockets.h"

namespace kestro {

class Win32Sockets : public Sockets {
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
  // The TCP connect: tcp_connect_win32.cpp.
  bool OpenTcp(bool ipv6, SocketHandle* socket) override;
  int StartConnect(SocketHandle socket, std::uint32_t address, int port) override;
  int StartConnect6(SocketHandle socket, const Ipv6Address& address, int port) override;
  ConnectWait WaitConnected(SocketHandle socket, int seconds, int milliseconds) override;
  int ConnectError(SocketHandle socket) override;
};

}  // namespace kestro
