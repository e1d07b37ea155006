// The sweep's TCP connect: a non-blocking connect whose end select awaits.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "platform/win32/sockets_win32.h"

namespace kestro {
namespace {

int Connect(SocketHandle socket, const void* to, int length) {
  if (connect(static_cast<SOCKET>(socket), static_cast<const sockaddr*>(to), length) == 0)
    return 1;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

}  // namespace

bool Win32Sockets::OpenTcp(bool ipv6, SocketHandle* socket) {
  const SOCKET s = WSASocketA(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0);
  if (s == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    const int error = WSAGetLastError();
    closesocket(s);
    WSASetLastError(error);
    return false;
  }
  *socket = static_cast<SocketHandle>(s);
  return true;
}

int Win32Sockets::StartConnect(SocketHandle socket, std::uint32_t address, int port) {
  sockaddr_in to;
  std::memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<u_short>(port));
  to.sin_addr.s_addr = address;
  return Connect(socket, &to, sizeof to);
}

int Win32Sockets::StartConnect6(SocketHandle socket, const Ipv6Address& address, int port) {
  sockaddr_in6 to;
  std::memset(&to, 0, sizeof to);
  to.sin6_family = AF_INET6;
  to.sin6_port = htons(static_cast<u_short>(port));
  std::memcpy(&to.sin6_addr, address.bytes, 16);
  to.sin6_scope_id = address.scope;
  return Connect(socket, &to, sizeof to);
}

// A failed connect is reported in the exception set only: a wait on the
// write set alone would sit out the whole time-out after every refusal.
ConnectWait Win32Sockets::WaitConnected(SocketHandle socket, int seconds, int milliseconds) {
  const SOCKET s = static_cast<SOCKET>(socket);
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval timeout;
  timeout.tv_sec = seconds;
  timeout.tv_usec = milliseconds * 1000;
  const int n = select(0, nullptr, &writable, &failed, &timeout);
  if (n == SOCKET_ERROR) return ConnectWait::WaitFailed;
  if (FD_ISSET(s, &failed)) return ConnectWait::Failed;
  return FD_ISSET(s, &writable) ? ConnectWait::Writable : ConnectWait::TimedOut;
}

int Win32Sockets::ConnectError(SocketHandle socket) {
  int error = 0;
  int length = sizeof error;
  if (getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_ERROR,
                 reinterpret_cast<char*>(&error), &length) == SOCKET_ERROR)
    return -1;
  return error;
}

}  // namespace kestro
