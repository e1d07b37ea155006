// The raw ICMP socket for real, in a network namespace of its own: nothing
// but the test's own datagrams reach it, and nothing leaves the namespace.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "platform/posix/sockets_posix.h"

namespace kestro {
namespace {

const std::uint32_t kLoopback = htonl(0x7F000001);

// Runs `body` on a thread moved into a new network namespace with its
// loopback up; the namespace goes when the thread ends.
void InOwnNetwork(const std::function<void()>& body) {
  std::string problem;
  std::thread t([&] {
    if (unshare(CLONE_NEWNET) != 0) {
      problem = std::string("unshare: ") + std::strerror(errno);
      return;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct ifreq lo = {};
    std::strcpy(lo.ifr_name, "lo");
    const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &lo) == 0 &&
                    (lo.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &lo) == 0);
    if (fd >= 0) close(fd);
    if (!up) {
      problem = "loopback could not be brought up";
      return;
    }
    body();
  });
  t.join();
  ASSERT_EQ("", problem);
}

// An ICMP message of type 0 (an echo answer, which the system does not
// answer itself) with `size` bytes in all.
std::vector<unsigned char> Message(std::size_t size, unsigned char mark) {
  std::vector<unsigned char> m(size, mark);
  m[0] = 0;
  m[1] = 0;
  m[2] = m[3] = 0;
  return m;
}

TEST(PosixSockets, DatagramLargerThanTheBufferFailsAsOnWindowsAndIsConsumed) {
  if (geteuid() != 0) GTEST_SKIP() << "raw sockets and namespaces need root";
  InOwnNetwork([] {
    PosixSockets sockets;
    SocketHandle s = 0;
    IcmpSocketKind kind = IcmpSocketKind::Datagram;
    ASSERT_TRUE(sockets.OpenRawIcmp(&s, &kind));
    ASSERT_EQ(IcmpSocketKind::Raw, kind);
    // The raw socket sees what it sends to the loopback address, IPv4
    // header first.
    const auto small = Message(100, 1);
    const auto large = Message(300, 2);
    const auto after = Message(50, 3);
    ASSERT_EQ(100, sockets.SendTo(s, small.data(), 100, kLoopback, 2));
    ASSERT_EQ(300, sockets.SendTo(s, large.data(), 300, kLoopback, 2));
    ASSERT_EQ(50, sockets.SendTo(s, after.data(), 50, kLoopback, 2));

    unsigned char buffer[200];
    std::uint32_t source = 0;
    ASSERT_EQ(1, sockets.WaitReadable(s, 2, 0));
    EXPECT_EQ(120, sockets.ReceiveFrom(s, buffer, sizeof buffer, &source));
    EXPECT_EQ(kLoopback, source);
    EXPECT_EQ(1, buffer[20 + 50]);
    // 320 bytes do not fit 200: refused with WSAEMSGSIZE, never cut.
    ASSERT_EQ(1, sockets.WaitReadable(s, 2, 0));
    EXPECT_EQ(-1, sockets.ReceiveFrom(s, buffer, sizeof buffer, &source));
    EXPECT_EQ(kSocketMessageTooLong, sockets.LastSocketError());
    // The refused datagram is gone; the next one comes whole.
    ASSERT_EQ(1, sockets.WaitReadable(s, 2, 0));
    EXPECT_EQ(70, sockets.ReceiveFrom(s, buffer, sizeof buffer, &source));
    EXPECT_EQ(3, buffer[20 + 30]);
    // Exactly the buffer's size still fits.
    const auto exact = Message(180, 4);
    ASSERT_EQ(180, sockets.SendTo(s, exact.data(), 180, kLoopback, 2));
    ASSERT_EQ(1, sockets.WaitReadable(s, 2, 0));
    EXPECT_EQ(200, sockets.ReceiveFrom(s, buffer, sizeof buffer, &source));
    sockets.Close(s);
  });
}

// The literal forms getaddrinfo takes for IPv6 (brackets are the sweep's
// to take off); an IPv4 text gives no IPv6 address. (No text here is a name,
// which would be asked of the resolver.)
TEST(PosixSockets, Ipv6LiteralForms) {
  PosixSockets sockets;
  const unsigned char doc[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
  for (const char* text : {"2001:db8::10", "2001:DB8:0:0:0:0:0:10", "2001:0db8:0000::0010"}) {
    Ipv6Address a;
    ASSERT_TRUE(sockets.ResolveName6(text, &a)) << text;
    EXPECT_EQ(0, std::memcmp(doc, a.bytes, 16)) << text;
  }
  Ipv6Address mapped;
  ASSERT_TRUE(sockets.ResolveName6("::ffff:192.0.2.1", &mapped));
  EXPECT_EQ(0xC0, mapped.bytes[12]);
  Ipv6Address scoped;
  ASSERT_TRUE(sockets.ResolveName6("fe80::1%lo", &scoped));
  EXPECT_EQ(if_nametoindex("lo"), scoped.scope);
  Ipv6Address none;
  EXPECT_FALSE(sockets.ResolveName6("192.0.2.1", &none));
}

}  // namespace
}  // namespace kestro
