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

constexpr int kEchoReplyType = 0;
constexpr int kIcmpHeaderSize = 8;  // type, code, checksum, identifier, sequence
constexpr std::uint8_t kDefaultTtl = 64;
// Room for every control message the socket adds: the destination, the time
// to live and, on the error queue, the error with its sender.
constexpr std::size_t kControlSize =
    CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(int)) +
    CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in));

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

  struct sockaddr_in peer = {};
  struct iovec data;
  alignas(struct cmsghdr) unsigned char control[kControlSize];
  struct msghdr message = {};
};

// One entry of the error queue, if any: an ICMP error about a request, as
// the raw socket would have read it; 0 for an entry of another origin.
int ReceiveError(const PingSocket& socket, int fd, unsigned char* buffer, int size,
                 std::uint32_t* source) {
  Incoming in(buffer + kReturnedRequestOffset, size - kReturnedRequestOffset);
  struct msghdr& message = in.message;
  const ssize_t n = recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (n < 0) return -1;
  for (struct cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
    struct sock_extended_err error;
    std::memcpy(&error, CMSG_DATA(c), sizeof error);
    if (error.ee_origin != SO_EE_ORIGIN_ICMP) return 0;
    struct sockaddr_in offender;
    std::memcpy(&offender, CMSG_DATA(c) + sizeof error, sizeof offender);
    *source = offender.sin_addr.s_addr;
    socket.RestoreQuoted(buffer + kReturnedRequestOffset, static_cast<int>(n));
    const int length = PingSocket::BuildIcmpError(buffer, static_cast<int>(n), error.ee_type,
                                                  error.ee_code, in.peer.sin_addr.s_addr);
    WriteIpv4Header(buffer, length, *source, 0, kDefaultTtl);
    return kIpv4HeaderSize + length;
  }
  return 0;
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

int PingSocket::Open() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return -1;
  // The destination and time to live of each answer, for the header put in
  // front of it; and the ICMP errors about the requests, which the kernel
  // drops without IP_RECVERR while the raw socket hands them over.
  const int on = 1;
  setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
  return fd;
}

void PingSocket::Sent(const unsigned char* request, int length) {
  if (length >= kIcmpHeaderSize) identifiers_[Pair(request + 6)] = Pair(request + 4);
}

int PingSocket::Receive(int fd, unsigned char* buffer, int size, std::uint32_t* source) {
  // Errors first: a pending one also fails every plain receive until read.
  const int error = ReceiveError(*this, fd, buffer, size, source);
  if (error > 0) return error;
  const int room = size - kIpv4HeaderSize;
  Incoming in(buffer + kIpv4HeaderSize, room);
  struct msghdr& message = in.message;
  // Without waiting: the error just read may have been all there was.
  const ssize_t n = recvmsg(fd, &message, MSG_TRUNC | MSG_DONTWAIT);
  if (n < 0) return -1;
  if (n > room || (message.msg_flags & MSG_TRUNC) != 0) {
    errno = EMSGSIZE;
    return -1;
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
  *source = in.peer.sin_addr.s_addr;
  return DressAsRaw(buffer, static_cast<int>(n), *source, destination, ttl);
}

void PingSocket::RestoreQuoted(unsigned char* request, int length) const {
  if (length < kIcmpHeaderSize) return;
  const auto sent = identifiers_.find(Pair(request + 6));
  if (sent == identifiers_.end()) return;
  PutPair(request + 2, Adjusted(Pair(request + 2), Pair(request + 4), sent->second));
  PutPair(request + 4, sent->second);
}

int PingSocket::DressAsRaw(unsigned char* buffer, int length, std::uint32_t source,
                           std::uint32_t destination, std::uint8_t ttl) const {
  unsigned char* icmp = buffer + kIpv4HeaderSize;
  if (length >= kIcmpHeaderSize && icmp[0] == kEchoReplyType) {
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
