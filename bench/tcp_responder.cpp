// A staging server with a fixed network delay, for kernels without netem:
// it attaches to a TUN device (made beforehand with `ip tuntap add`) and
// answers each TCP SYN that reaches it, DELAY_MS later, with a SYN-ACK
// when it is for PORT and with a RST for any other port. A FIN is answered
// at once with a RST, so that no closed connection lingers on the client.
// Everything else (the handshake's ACK, a RST, other protocols) is read
// and dropped. It prints "ready" once attached and runs until killed.
//   tcp_responder DEVICE PORT DELAY_MS
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFin = 0x01, kSyn = 0x02, kRst = 0x04, kAck = 0x10;

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v >> 16);
  Put16(p + 2, v);
}

// The Internet checksum over `n` bytes, added to `sum`.
std::uint32_t Sum(const std::uint8_t* p, std::size_t n, std::uint32_t sum) {
  for (; n > 1; p += 2, n -= 2) sum += Get16(p);
  if (n) sum += static_cast<std::uint32_t>(p[0]) << 8;
  return sum;
}
std::uint16_t Fold(std::uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

// The answer to the segment `in` (IPv4 header of `ihl` bytes, then TCP),
// from the address it was sent to:
//   IPv4 (20 bytes) | TCP: ports, seq, ack, offset 6 words, flags, window,
//   checksum, urgent, MSS option (4 bytes) on a SYN-ACK only.
Bytes Answer(const std::uint8_t* in, std::size_t ihl, std::uint8_t flags, std::uint32_t seq,
             std::uint32_t ack) {
  const std::size_t tcpLen = flags & kSyn ? 24 : 20;
  Bytes out(20 + tcpLen, 0);
  std::uint8_t* ip = out.data();
  ip[0] = 0x45;
  Put16(ip + 2, static_cast<std::uint32_t>(out.size()));
  ip[8] = 64;
  ip[9] = 6;
  std::memcpy(ip + 12, in + 16, 4);  // from the address it was sent to
  std::memcpy(ip + 16, in + 12, 4);
  Put16(ip + 10, Fold(Sum(ip, 20, 0)));
  const std::uint8_t* tin = in + ihl;
  std::uint8_t* tcp = ip + 20;
  std::memcpy(tcp, tin + 2, 2);
  std::memcpy(tcp + 2, tin, 2);
  Put32(tcp + 4, seq);
  Put32(tcp + 8, ack);
  tcp[12] = static_cast<std::uint8_t>(tcpLen / 4 << 4);
  tcp[13] = flags;
  Put16(tcp + 14, flags & kRst ? 0 : 65535);
  if (flags & kSyn) {
    tcp[20] = 2;  // MSS 1460
    tcp[21] = 4;
    Put16(tcp + 22, 1460);
  }
  std::uint32_t pseudo = Sum(ip + 12, 8, 0) + 6 + static_cast<std::uint32_t>(tcpLen);
  Put16(tcp + 16, Fold(Sum(tcp, tcpLen, pseudo)));
  return out;
}

struct Due {
  Clock::time_point at;
  Bytes packet;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tcp_responder DEVICE PORT DELAY_MS\n");
    return 2;
  }
  const long port = std::atol(argv[2]);
  const auto delay = std::chrono::milliseconds(std::atol(argv[3]));
  const int fd = open("/dev/net/tun", O_RDWR);
  ifreq ifr{};
  ifr.ifr_flags = IFF_TUN | IFF_NO_PI;
  std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", argv[1]);
  if (fd < 0 || ioctl(fd, TUNSETIFF, &ifr) != 0) {
    std::perror("tcp_responder: /dev/net/tun");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);

  std::deque<Due> queue;  // one fixed delay: due times come in order
  std::uint32_t isn = 0x10000000;
  std::uint8_t buf[65536];
  for (;;) {
    int wait = -1;
    if (!queue.empty()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(queue.front().at - Clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, wait) < 0) continue;
    while (!queue.empty() && queue.front().at <= Clock::now()) {
      if (write(fd, queue.front().packet.data(), queue.front().packet.size()) < 0)
        std::perror("tcp_responder: write");
      queue.pop_front();
    }
    if (!(p.revents & POLLIN)) continue;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 40 || (buf[0] >> 4) != 4 || buf[9] != 6) continue;
    const std::size_t ihl = (buf[0] & 0x0f) * 4u;
    if (static_cast<std::size_t>(n) < ihl + 20) continue;
    const std::uint8_t* tcp = buf + ihl;
    const std::uint8_t flags = tcp[13];
    const std::uint32_t seq = Get32(tcp + 4);
    if ((flags & (kSyn | kAck)) == kSyn) {
      const Bytes out = Get16(tcp + 2) == port
                            ? Answer(buf, ihl, kSyn | kAck, isn += 0x01000193, seq + 1)
                            : Answer(buf, ihl, kRst | kAck, 0, seq + 1);
      queue.push_back({Clock::now() + delay, out});
    } else if ((flags & kFin) && !(flags & kRst)) {
      const Bytes out = Answer(buf, ihl, kRst, Get32(tcp + 8), 0);
      if (write(fd, out.data(), out.size()) < 0) std::perror("tcp_responder: write");
    }
  }
}
