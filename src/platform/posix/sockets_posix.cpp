#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <linux/icmp.h>
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
// request (destination unreachable, source quench, redirect, time exceeded,
// parameter problem). The kernel keeps the others, above all the echo
// requests of anyone pinging this machine, out of the socket's queue.
void PassOnlyJudgedTypes(int fd) {
  struct icmp_filter filter;
  filter.data = ~(1u << ICMP_ECHOREPLY | 1u << ICMP_DEST_UNREACH | 1u << ICMP_SOURCE_QUENCH |
                  1u << ICMP_REDIRECT | 1u << ICMP_TIME_EXCEEDED | 1u << ICMP_PARAMETERPROB);
  // Should the kernel refuse, the judgement ignores those types all the same.
  setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

int Failed() {
  lastError = (errno == ETIMEDOUT || errno == EAGAIN || errno == EWOULDBLOCK) ? kSocketTimedOut
                                                                               : errno;
  return -1;
}
}  // namespace

int PosixSockets::Startup(std::uint16_t) { return 0; }
void PosixSockets::Cleanup() {}

bool PosixSockets::OpenRawIcmp(SocketHandle* socket, IcmpSocketKind* kind) {
  int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  *kind = IcmpSocketKind::Raw;
  if (fd >= 0) PassOnlyJudgedTypes(fd);
  if (fd < 0 && (errno == EPERM || errno == EACCES)) {
    const int refused = errno;
    fd = PingSocket::Open();
    if (fd >= 0) {
      pingSockets_[fd] = PingSocket();
      *kind = IcmpSocketKind::Datagram;
    } else {
      errno = refused;  // the raw socket's error is the one reported
    }
  }
  if (fd < 0) {
    Failed();
    return false;
  }
  *socket = static_cast<SocketHandle>(fd);
  return true;
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
  const ssize_t n = sendto(static_cast<int>(socket), data, static_cast<size_t>(length), 0,
                           reinterpret_cast<const sockaddr*>(&to), sizeof to);
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
  const auto ping = pingSockets_.find(static_cast<int>(socket));
  if (ping != pingSockets_.end()) {
    const int n = ping->second.Receive(static_cast<int>(socket), buffer, size, source);
    return n < 0 ? Failed() : n;
  }
  struct sockaddr_in from = {};
  socklen_t length = sizeof from;
  // A raw socket cuts a datagram larger than the buffer silently; with
  // MSG_TRUNC it returns the real length. Winsock refuses such a datagram
  // with WSAEMSGSIZE, and the sweep is to fail the same way here.
  const ssize_t n = recvfrom(static_cast<int>(socket), buffer, static_cast<size_t>(size),
                             MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &length);
  if (n < 0) return Failed();
  if (n > size) {
    lastError = kSocketMessageTooLong;
    return -1;
  }
  *source = from.sin_addr.s_addr;
  return static_cast<int>(n);
}

int PosixSockets::LastSocketError() { return lastError; }

void PosixSockets::Close(SocketHandle socket) {
  pingSockets_.erase(static_cast<int>(socket));
  close(static_cast<int>(socket));
}

}  // namespace kestro
