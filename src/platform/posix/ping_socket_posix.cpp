#include "platform/posix/ping_socket_posix.h"

#include <time.h>  // before linux/errqueue.h, which uses timespec

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>
#include <cstring>

namespace kestro {
namespace {

constexpr int kIcmpHeaderSize = 8;  // type, code, checksum, identifier, sequence
constexpr std::uint8_t kDefaultTtl = 64;
// Room for every control message the socket adds: the destination, the time
// to live and, on the error queue, the error with its sender.
constexpr std::size_t kControlSize =
    CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(int)) +
    CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in6));

// What the error queue of each family's socket looks like.
struct ErrorQueue {
  int level;
  int type;
  std::uint8_t origin;
  int returnedAt;  // where the returned request goes in the buffer
  int front;       // the room an answer leaves for the raw socket's header
};
const ErrorQueue& QueueOf(const IcmpFamily& family) {
  static const ErrorQueue v4 = {IPPROTO_IP, IP_RECVERR, SO_EE_ORIGIN_ICMP,
                                kReturnedRequestOffset, kIpv4HeaderSize};
  static const ErrorQueue v6 = {IPPROTO_IPV6, IPV6_RECVERR, SO_EE_ORIGIN_ICMP6,
                                kReturnedRequestOffset6, 0};
  return family.headerRead ? v4 : v6;
}

std::uint16_t Pair(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
void PutPair(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}

// The Internet checksum, with the checksum field at `field` counted as zero.
std::uint16_t Checksum(const unsigned char* p, int length, int field) {
  std::uint32_t sum = 0;
  for (int i = 0; i + 1 < length; i += 2)
    if (i != field) sum += Pair(p + i);
  if (length % 2 != 0) sum += static_cast<std::uint32_t>(p[length - 1]) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

// RFC 1624: the checksum once one 16-bit word of what it covers went from
// `was` to `now`, whatever the length of the message.
std::uint16_t Adjusted(std::uint16_t checksum, std::uint16_t was, std::uint16_t now) {
  std::uint32_t sum = static_cast<std::uint16_t>(~checksum);
  sum += static_cast<std::uint16_t>(~was);
  sum += now;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

// The IPv4 header in front of `length` bytes of ICMP.
void WriteIpv4Header(unsigned char* ip, int length, std::uint32_t source,
                     std::uint32_t destination, std::uint8_t ttl) {
  std::memset(ip, 0, kIpv4HeaderSize);
  ip[0] = 0x45;
  PutPair(ip + 2, static_cast<std::uint16_t>(kIpv4HeaderSize + length));
  ip[8] = ttl;
  ip[9] = IPPROTO_ICMP;
  std::memcpy(ip + 12, &source, 4);
  std::memcpy(ip + 16, &destination, 4);
  PutPair(ip + 10, Checksum(ip, kIpv4HeaderSize, 10));
}

// One datagram to be read into `room` bytes at `buffer`, with its peer's
// address and the control messages the socket adds.
struct Incoming {
  Incoming(unsigned char* buffer, int room)
      : data{buffer, static_cast<size_t>(room > 0 ? room : 0)} {
    message.msg_name = &peer;
    message.msg_namelen = sizeof peer;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  Incoming(const Incoming&) = delete;
  Incoming& operator=(const Incoming&) = delete;

  struct sockaddr_storage peer = {};
  struct iovec data;
  alignas(struct cmsghdr) unsigned char control[kControlSize];
  struct msghdr message = {};
};

const sockaddr_in& In4(const sockaddr_storage& a) { return reinterpret_cast<const sockaddr_in&>(a); }
const sockaddr_in6& In6(const sockaddr_storage& a) {
  return reinterpret_cast<const sockaddr_in6&>(a);
}

}  // namespace

int PingSocket::BuildIcmpError(unsigned char* buffer, int returned, std::uint8_t type,
                               std::uint8_t code, std::uint32_t target) {
  unsigned char* icmp = buffer + kIpv4HeaderSize;
  const int length = kReturnedRequestOffset - kIpv4HeaderSize + returned;
  std::memset(icmp, 0, kIcmpHeaderSize);
  icmp[0] = type;
  icmp[1] = code;
  WriteIpv4Header(icmp + kIcmpHeaderSize, returned, 0, target, kDefaultTtl);
  PutPair(icmp + 2, Checksum(icmp, length, 2));
  return length;
}

int PingSocket::BuildIcmp6Error(unsigned char* buffer, int returned, std::uint8_t type,
                                std::uint8_t code, const unsigned char* target) {
  std::memset(buffer, 0, kReturnedRequestOffset6);
  buffer[0] = type;
  buffer[1] = code;
  unsigned char* ip = buffer + 8;
  ip[0] = 0x60;
  PutPair(ip + 4, static_cast<std::uint16_t>(returned));
  ip[6] = kIcmp6.protocol;
  ip[7] = kDefaultTtl;
  std::memcpy(ip + 24, target, 16);
  return kReturnedRequestOffset6 + returned;
}

int PingSocket::Open(const IcmpFamily& family) {
  const bool v4 = family.headerRead;
  const int fd = ::socket(v4 ? AF_INET : AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC,
                          family.protocol);
  if (fd < 0) return -1;
  // The ICMP errors about the requests, which the kernel drops without
  // IP_RECVERR while the raw socket hands them over; over IPv4 also the
  // destination and time to live of each answer, for the header put in
  // front of it.
  const int on = 1;
  const ErrorQueue& queue = QueueOf(family);
  setsockopt(fd, queue.level, queue.type, &on, sizeof on);
  if (v4) {
    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  }
  return fd;
}

void PingSocket::Sent(const unsigned char* request, int length) {
  if (length >= kIcmpHeaderSize) identifiers_[Pair(request + 6)] = Pair(request + 4);
}

// One entry of the error queue, if any: an ICMP error about a request, as
// the raw socket would have read it; 0 for an entry of another origin.
int PingSocket::ReceiveError(int fd, unsigned char* buffer, int size,
                             sockaddr_storage* source) const {
  const ErrorQueue& queue = QueueOf(*family_);
  Incoming in(buffer + queue.returnedAt, size - queue.returnedAt);
  struct msghdr& message = in.message;
  const ssize_t n = recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (n < 0) return -1;
  for (struct cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != queue.level || c->cmsg_type != queue.type) continue;
    struct sock_extended_err error;
    std::memcpy(&error, CMSG_DATA(c), sizeof error);
    if (error.ee_origin != queue.origin) return 0;
    // The sender of the error follows it, in the socket's family.
    *source = {};
    std::memcpy(source, CMSG_DATA(c) + sizeof error,
                family_->headerRead ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    const int returned = static_cast<int>(n);
    RestoreIdentifier(buffer + queue.returnedAt, returned);
    if (!family_->headerRead)
      return BuildIcmp6Error(buffer, returned, error.ee_type, error.ee_code,
                             reinterpret_cast<const unsigned char*>(&In6(in.peer).sin6_addr));
    const int length = BuildIcmpError(buffer, returned, error.ee_type, error.ee_code,
                                      In4(in.peer).sin_addr.s_addr);
    WriteIpv4Header(buffer, length, In4(*source).sin_addr.s_addr, 0, kDefaultTtl);
    return kIpv4HeaderSize + length;
  }
  return 0;
}

int PingSocket::Receive(int fd, unsigned char* buffer, int size, sockaddr_storage* source) const {
  // Errors first: a pending one also fails every plain receive until read.
  const int error = ReceiveError(fd, buffer, size, source);
  if (error > 0) return error;
  const int front = QueueOf(*family_).front;
  const int room = size - front;
  Incoming in(buffer + front, room);
  struct msghdr& message = in.message;
  // Without waiting: the error just read may have been all there was.
  const ssize_t n = recvmsg(fd, &message, MSG_TRUNC | MSG_DONTWAIT);
  if (n < 0) return -1;
  if (n > room || (message.msg_flags & MSG_TRUNC) != 0) {
    errno = EMSGSIZE;
    return -1;
  }
  *source = in.peer;
  if (!family_->headerRead) {
    if (n >= kIcmpHeaderSize && buffer[0] == family_->echoReply)
      RestoreIdentifier(buffer, static_cast<int>(n));
    return static_cast<int>(n);
  }
  std::uint32_t destination = 0;
  std::uint8_t ttl = kDefaultTtl;
  for (struct cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != IPPROTO_IP) continue;
    if (c->cmsg_type == IP_PKTINFO) {
      struct in_pktinfo info;
      std::memcpy(&info, CMSG_DATA(c), sizeof info);
      destination = info.ipi_addr.s_addr;
    } else if (c->cmsg_type == IP_TTL) {
      int value;
      std::memcpy(&value, CMSG_DATA(c), sizeof value);
      ttl = static_cast<std::uint8_t>(value);
    }
  }
  return DressAsRaw(buffer, static_cast<int>(n), In4(in.peer).sin_addr.s_addr, destination, ttl);
}

void PingSocket::RestoreIdentifier(unsigned char* message, int length) const {
  if (length < kIcmpHeaderSize) return;
  const auto sent = identifiers_.find(Pair(message + 6));
  if (sent == identifiers_.end()) return;
  PutPair(message + 2, Adjusted(Pair(message + 2), Pair(message + 4), sent->second));
  PutPair(message + 4, sent->second);
}

int PingSocket::DressAsRaw(unsigned char* buffer, int length, std::uint32_t source,
                           std::uint32_t destination, std::uint8_t ttl) const {
  unsigned char* icmp = buffer + kIpv4HeaderSize;
  if (length >= kIcmpHeaderSize && icmp[0] == kIcmp4.echoReply) {
    const auto sent = identifiers_.find(Pair(icmp + 6));
    if (sent != identifiers_.end()) {
      PutPair(icmp + 4, sent->second);
      PutPair(icmp + 2, Checksum(icmp, length, 2));
    }
  }
  WriteIpv4Header(buffer, length, source, destination, ttl);
  return kIpv4HeaderSize + length;
}

}  // namespace kestro
