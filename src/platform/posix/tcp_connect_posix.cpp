// The sweep's TCP connect: a non-blocking connect whose end poll awaits.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/sockets_posix.h"

namespace kestro {
namespace {

int Connect(SocketHandle socket, const sockaddr* to, socklen_t length) {
  if (connect(static_cast<int>(socket), to, length) == 0) return 1;
  // EINTR: the connect goes on by itself, as one under way.
  if (errno == EINPROGRESS || errno == EINTR) return 0;
  return SocketCallFailed(errno);
}

}  // namespace

bool PosixSockets::OpenTcp(bool ipv6, SocketHandle* socket) {
  const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          IPPROTO_TCP);
  if (fd < 0) {
    SocketCallFailed(errno);
    return false;
  }
  *socket = static_cast<SocketHandle>(fd);
  return true;
}

int PosixSockets::StartConnect(SocketHandle socket, std::uint32_t address, int port) {
  struct sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = address;
  return Connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

int PosixSockets::StartConnect6(SocketHandle socket, const Ipv6Address& address, int port) {
  struct sockaddr_in6 to = {};
  to.sin6_family = AF_INET6;
  to.sin6_port = htons(static_cast<std::uint16_t>(port));
  std::memcpy(&to.sin6_addr, address.bytes, 16);
  to.sin6_scope_id = address.scope;
  return Connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

// A connect that fails shows as writable with POLLERR; ConnectError tells
// why.
ConnectWait PosixSockets::WaitConnected(SocketHandle socket, int seconds, int milliseconds) {
  struct pollfd p = {static_cast<int>(socket), POLLOUT, 0};
  const int n = poll(&p, 1, seconds * 1000 + milliseconds);
  if (n < 0) {
    SocketCallFailed(errno);
    return ConnectWait::WaitFailed;
  }
  if (n == 0) return ConnectWait::TimedOut;
  return p.revents & (POLLERR | POLLHUP) ? ConnectWait::Failed : ConnectWait::Writable;
}

int PosixSockets::ConnectError(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    return SocketCallFailed(errno);
  if (error == 0) return 0;
  SocketCallFailed(error);
  return LastSocketError();
}

}  // namespace kestro
