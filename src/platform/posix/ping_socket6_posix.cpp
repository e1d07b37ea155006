#include "platform/posix/ping_socket6_posix.h"

#include <time.h>  // before linux/errqueue.h, which uses timespec

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>
#include <cstring>

namespace kestro {
namespace {

constexpr unsigned char kEchoReply6 = 129;
constexpr unsigned char kNextHeaderIcmp6 = 58;
constexpr std::size_t kControlSize = CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in6));

struct Incoming6 {
  Incoming6(unsigned char* buffer, int room)
      : data{buffer, static_cast<size_t>(room > 0 ? room : 0)} {
    message.msg_name = &peer;
    message.msg_namelen = sizeof peer;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  Incoming6(const Incoming6&) = delete;
  Incoming6& operator=(const Incoming6&) = delete;

  struct sockaddr_in6 peer = {};
  struct iovec data;
  alignas(struct cmsghdr) unsigned char control[kControlSize];
  struct msghdr message = {};
};

void Take(const sockaddr_in6& from, Ipv6Address* address) {
  std::memcpy(address->bytes, &from.sin6_addr, 16);
  address->scope = from.sin6_scope_id;
}

// One entry of the error queue, if any: an ICMPv6 error about a request;
// 0 for an entry of another origin.
int ReceiveError(const PingSocket& sent, int fd, unsigned char* buffer, int size,
                 Ipv6Address* source) {
  Incoming6 in(buffer + kReturnedRequestOffset6, size - kReturnedRequestOffset6);
  struct msghdr& message = in.message;
  const ssize_t n = recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (n < 0) return -1;
  for (struct cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != IPPROTO_IPV6 || c->cmsg_type != IPV6_RECVERR) continue;
    struct sock_extended_err error;
    std::memcpy(&error, CMSG_DATA(c), sizeof error);
    if (error.ee_origin != SO_EE_ORIGIN_ICMP6) return 0;
    struct sockaddr_in6 offender;
    std::memcpy(&offender, CMSG_DATA(c) + sizeof error, sizeof offender);
    Take(offender, source);
    sent.RestoreIdentifier(buffer + kReturnedRequestOffset6, static_cast<int>(n));
    return BuildIcmp6Error(buffer, static_cast<int>(n), error.ee_type, error.ee_code,
                           reinterpret_cast<const unsigned char*>(&in.peer.sin6_addr));
  }
  return 0;
}

}  // namespace

int OpenPingSocket6() {
  const int fd = ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMPV6);
  if (fd < 0) return -1;
  // Without it the kernel drops the errors the raw socket hands over.
  const int on = 1;
  setsockopt(fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on);
  return fd;
}

int BuildIcmp6Error(unsigned char* buffer, int returned, std::uint8_t type, std::uint8_t code,
                    const unsigned char* target) {
  std::memset(buffer, 0, kReturnedRequestOffset6);
  buffer[0] = type;
  buffer[1] = code;
  unsigned char* ip = buffer + 8;
  ip[0] = 0x60;
  ip[4] = static_cast<unsigned char>(returned >> 8);
  ip[5] = static_cast<unsigned char>(returned);
  ip[6] = kNextHeaderIcmp6;
  ip[7] = 64;
  std::memcpy(ip + 24, target, 16);
  return kReturnedRequestOffset6 + returned;
}

int ReceivePing6(const PingSocket& sent, int fd, unsigned char* buffer, int size,
                 Ipv6Address* source) {
  // Errors first: a pending one also fails every plain receive until read.
  const int error = ReceiveError(sent, fd, buffer, size, source);
  if (error > 0) return error;
  Incoming6 in(buffer, size);
  in.message.msg_control = nullptr;
  in.message.msg_controllen = 0;
  const ssize_t n = recvmsg(fd, &in.message, MSG_TRUNC | MSG_DONTWAIT);
  if (n < 0) return -1;
  if (n > size || (in.message.msg_flags & MSG_TRUNC) != 0) {
    errno = EMSGSIZE;
    return -1;
  }
  Take(in.peer, source);
  if (n >= 8 && buffer[0] == kEchoReply6) sent.RestoreIdentifier(buffer, static_cast<int>(n));
  return static_cast<int>(n);
}

}  // namespace kestro
