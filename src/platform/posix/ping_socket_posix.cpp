#include "platform/posix/ping_socket_posix.h"

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

}  // namespace

int PingSocket::Open() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return -1;
  // The destination and time to live of each answer, for the header put in
  // front of it.
  const int on = 1;
  setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  return fd;
}

void PingSocket::Sent(const unsigned char* request, int length) {
  if (length >= kIcmpHeaderSize) identifiers_[Pair(request + 6)] = Pair(request + 4);
}

int PingSocket::Receive(int fd, unsigned char* buffer, int size, std::uint32_t* source) {
  const int room = size - kIpv4HeaderSize;
  struct sockaddr_in from = {};
  struct iovec data = {buffer + kIpv4HeaderSize, static_cast<size_t>(room > 0 ? room : 0)};
  alignas(struct cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo)) +
                                                CMSG_SPACE(sizeof(int))];
  struct msghdr message = {};
  message.msg_name = &from;
  message.msg_namelen = sizeof from;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t n = recvmsg(fd, &message, MSG_TRUNC);
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
  *source = from.sin_addr.s_addr;
  return DressAsRaw(buffer, static_cast<int>(n), *source, destination, ttl);
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
  const int total = kIpv4HeaderSize + length;
  unsigned char* ip = buffer;
  std::memset(ip, 0, kIpv4HeaderSize);
  ip[0] = 0x45;
  PutPair(ip + 2, static_cast<std::uint16_t>(total));
  ip[8] = ttl;
  ip[9] = IPPROTO_ICMP;
  std::memcpy(ip + 12, &source, 4);
  std::memcpy(ip + 16, &destination, 4);
  PutPair(ip + 10, Checksum(ip, kIpv4HeaderSize, 10));
  return total;
}

}  // namespace kestro
