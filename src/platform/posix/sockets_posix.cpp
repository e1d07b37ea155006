#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace kestro {
namespace {
thread_local int lastError = 0;

// The types the sweep judges: the echo answer and the errors that quote a
// request. The kernel keeps the others, above all the echo requests of
// anyone pinging this machine and neighbour discovery, out of the raw
// socket's queue. Should it refuse, the judgement ignores them all the same.
void PassOnlyJudgedTypes(int fd, const IcmpFamily& family) {
  if (family.headerRead) {
    struct icmp_filter filter;
    filter.data = ~(1u << family.echoReply);
    for (int i = 0; i < family.errorCount; ++i) filter.data &= ~(1u << family.errors[i]);
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    return;
  }
  struct icmp6_filter filter;
  ICMP6_FILTER_SETBLOCKALL(&filter);
  ICMP6_FILTER_SETPASS(family.echoReply, &filter);
  for (int i = 0; i < family.errorCount; ++i) ICMP6_FILTER_SETPASS(family.errors[i], &filter);
  setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
}

int Failed() { return SocketCallFailed(errno); }
}  // namespace

// The errors the sweep tells apart read as Winsock's numbers, whichever
// socket or call met them.
int SocketCallFailed(int error) {
  switch (error) {
    case ETIMEDOUT:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      lastError = kSocketTimedOut;
      break;
    case EMSGSIZE: lastError = kSocketMessageTooLong; break;
    case ECONNREFUSED: lastError = kSocketRefused; break;
    case EHOSTUNREACH: lastError = kSocketHostUnreachable; break;
    case ENETUNREACH: lastError = kSocketNetUnreachable; break;
    default: lastError = error;
  }
  return -1;
}

int PosixSockets::Startup(std::uint16_t) { return 0; }
void PosixSockets::Cleanup() {}

bool PosixSockets::OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) {
  return OpenIcmp(kIcmp4, socket, kind);
}

bool PosixSockets::OpenRawIcmp6(SocketHandle* socket, IcmpSocketKind* kind) {
  return OpenIcmp(kIcmp6, socket, kind);
}

// Opens the family's raw socket, or where it is refused for want of
// privilege its datagram socket, keeping the raw socket's error when neither
// opens.
bool PosixSockets::OpenIcmp(const IcmpFamily& family, SocketHandle* socket,
                            IcmpSocketKind* kind) {
  const bool v4 = family.headerRead;
  int fd = ::socket(v4 ? AF_INET : AF_INET6, SOCK_RAW | SOCK_CLOEXEC,
                    family.protocol);
  if (fd >= 0) PassOnlyJudgedTypes(fd, family);
  *kind = IcmpSocketKind::Raw;
  if (fd < 0 && (errno == EPERM || errno == EACCES)) {
    const int refused = errno;
    fd = PingSocket::Open(family);
    if (fd >= 0) {
      pingSockets_[fd] = PingSocket(family);
      *kind = IcmpSocketKind::Datagram;
    } else {
      errno = refused;
    }
  }
  if (fd < 0) {
    Failed();
    return false;
  }
  *socket = static_cast<SocketHandle>(fd);
  return true;
}

bool PosixSockets::ResolveName6(const std::string& host, Ipv6Address* address) {
  struct addrinfo hints = {};
  hints.ai_family = AF_INET6;
  struct addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  const auto* in6 = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
  std::memcpy(address->bytes, &in6->sin6_addr, 16);
  address->scope = in6->sin6_scope_id;
  freeaddrinfo(found);
  return true;
}

int PosixSockets::SendTo6(SocketHandle socket, const unsigned char* data, int length,
                          const Ipv6Address& address) {
  struct sockaddr_in6 to = {};
  to.sin6_family = AF_INET6;
  std::memcpy(&to.sin6_addr, address.bytes, 16);
  to.sin6_scope_id = address.scope;
  return Send(socket, data, length, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

int PosixSockets::ReceiveFrom6(SocketHandle socket, unsigned char* buffer, int size,
                               Ipv6Address* source) {
  struct sockaddr_storage from = {};
  const int n = Receive(socket, buffer, size, &from);
  if (n < 0) return n;
  const auto& in6 = reinterpret_cast<const sockaddr_in6&>(from);
  std::memcpy(source->bytes, &in6.sin6_addr, 16);
  source->scope = in6.sin6_scope_id;
  return n;
}

bool PosixSockets::ResolveName(const std::string& host, std::uint32_t* address, int* family) {
  struct addrinfo hints = {};
  hints.ai_family = AF_INET;
  struct addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  *family = 2;  // the Windows value of AF_INET, which the logic passes back
  freeaddrinfo(found);
  return true;
}

bool PosixSockets::ParseDottedQuad(const std::string& host, std::uint32_t* address) {
  const in_addr_t value = inet_addr(host.c_str());
  if (value == INADDR_NONE) return false;
  *address = value;
  return true;
}

std::string PosixSockets::FormatAddress(std::uint32_t address) {
  char text[INET_ADDRSTRLEN];
  struct in_addr in;
  in.s_addr = address;
  return inet_ntop(AF_INET, &in, text, sizeof text) ? text : "";
}

int PosixSockets::SendTo(SocketHandle socket, const unsigned char* data, int length,
                         std::uint32_t address, int) {
  struct sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  return Send(socket, data, length, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

int PosixSockets::Send(SocketHandle socket, const unsigned char* data, int length,
                       const sockaddr* to, unsigned toLength) {
  const ssize_t n = sendto(static_cast<int>(socket), data, static_cast<size_t>(length), 0, to,
                           static_cast<socklen_t>(toLength));
  if (n < 0) return Failed();
  const auto ping = pingSockets_.find(static_cast<int>(socket));
  if (ping != pingSockets_.end()) ping->second.Sent(data, length);
  return static_cast<int>(n);
}

int PosixSockets::WaitReadable(SocketHandle socket, int seconds, int milliseconds) {
  struct pollfd p = {static_cast<int>(socket), POLLIN, 0};
  const int n = poll(&p, 1, seconds * 1000 + milliseconds);
  if (n < 0) return Failed();
  // A datagram socket's ICMP errors wait in its error queue.
  const short ready = pingSockets_.count(static_cast<int>(socket)) ? POLLIN | POLLERR : POLLIN;
  return n > 0 && (p.revents & ready) ? 1 : 0;
}

int PosixSockets::ReceiveFrom(SocketHandle socket, unsigned char* buffer, int size,
                              std::uint32_t* source) {
  struct sockaddr_storage from = {};
  const int n = Receive(socket, buffer, size, &from);
  if (n >= 0) *source = reinterpret_cast<const sockaddr_in&>(from).sin_addr.s_addr;
  return n;
}

// One datagram of either family with its sender.
int PosixSockets::Receive(SocketHandle socket, unsigned char* buffer, int size,
                          sockaddr_storage* from) {
  const int fd = static_cast<int>(socket);
  const auto ping = pingSockets_.find(fd);
  if (ping != pingSockets_.end()) {
    const int n = ping->second.Receive(fd, buffer, size, from);
    return n < 0 ? Failed() : n;
  }
  socklen_t length = sizeof *from;
  // A raw socket cuts a datagram larger than the buffer silently; with
  // MSG_TRUNC it returns the real length. Winsock refuses such a datagram
  // with WSAEMSGSIZE, and the sweep is to fail the same way here.
  const ssize_t n = recvfrom(fd, buffer, static_cast<size_t>(size), MSG_TRUNC,
                             reinterpret_cast<sockaddr*>(from), &length);
  if (n > size) errno = EMSGSIZE;
  if (n < 0 || n > size) return Failed();
  return static_cast<int>(n);
}

int PosixSockets::LastSocketError() { return lastError; }

void PosixSockets::Close(SocketHandle socket) {
  pingSockets_.erase(static_cast<int>(socket));
  close(static_cast<int>(socket));
}

}  // namespace kestro
