// Judging datagrams read from the raw socket.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"

namespace kestro {
namespace {

using testing::Datagram;
using testing::FakeSystem;
using testing::Ipv4;

class DecodeReplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    NextEchoIdentifier();  // a request in flight
    stats.TotalCount = stats.TimeoutCount = 7;
  }

  // An ICMP message: type, code 0, checksum 0, id, seq, send time, data.
  static std::vector<unsigned char> Icmp(unsigned char type, std::uint16_t id, std::uint16_t seq,
                                         std::uint32_t sent, std::size_t data = 4) {
    std::vector<unsigned char> m(12 + data, 0);
    m[0] = type;
    WriteLe16(&m[4], id);
    WriteLe16(&m[6], seq);
    WriteLe32(&m[8], sent);
    return m;
  }

  int Decode(const std::vector<unsigned char>& d) {
    return DecodeReply(stats, d.data(), static_cast<int>(d.size()), Ipv4(10, 1, 2, 3),
                       Ipv4(10, 1, 2, 3));
  }

  std::string Log() { return sys.files.contents["/var/log/kestro/Kestro-2.txt"]; }

  FakeSystem sys;
  PingStatistics stats;
};

TEST_F(DecodeReplyTest, TheAnswerIsRecordedAndLogged) {
  sys.clock.tick = 1000;
  const auto d = Datagram(Icmp(0, CurrentEchoIdentifier(), 3, 988));
  EXPECT_EQ(0, Decode(d));
  EXPECT_EQ(6, stats.TimeoutCount);
  EXPECT_EQ(12.0f, stats.SumTime);
  EXPECT_EQ("2003/07/15 14:03:27:045: Ping to 10.1.2.3: Got 36 bytes icmp_seq = 3 time: 12 ms \r\n",
            Log());
}

TEST_F(DecodeReplyTest, AnswerTimeIsRightAcrossTheTickWrap) {
  sys.clock.tick = 5;
  EXPECT_EQ(0, Decode(Datagram(Icmp(0, CurrentEchoIdentifier(), 65535, 0xFFFFFFF0u))));
  EXPECT_EQ(21.0f, stats.SumTime);
  EXPECT_NE(std::string::npos, Log().find("icmp_seq = 65535 time: 21 ms "));
}

TEST_F(DecodeReplyTest, OtherTypesEndTheWaitWithALine) {
  for (unsigned char type : {3, 11, 5}) {
    sys.files.contents.clear();
    EXPECT_EQ(0, Decode(Datagram(Icmp(type, 0, 0, 0)))) << int(type);
    EXPECT_EQ("2003/07/15 14:03:27:045: non-echo type " + std::to_string(type) + " recvd\r\n", Log());
  }
  EXPECT_EQ(7, stats.TimeoutCount);
}

TEST_F(DecodeReplyTest, RequestsAndOtherAnswersAreIgnoredSilently) {
  // Our own request seen on the raw socket, or someone pinging us.
  EXPECT_EQ(1, Decode(Datagram(Icmp(8, CurrentEchoIdentifier(), 0, 0))));
  // Answers to our earlier requests, or to another program's with a higher
  // identifier.
  EXPECT_EQ(1, Decode(Datagram(Icmp(0, static_cast<std::uint16_t>(CurrentEchoIdentifier() - 1), 0, 0))));
  EXPECT_EQ(1, Decode(Datagram(Icmp(0, static_cast<std::uint16_t>(CurrentEchoIdentifier() + 1), 0, 0))));
  // The right identifier from another host than the probed one.
  const auto d = Datagram(Icmp(0, CurrentEchoIdentifier(), 0, 0));
  EXPECT_EQ(1, DecodeReply(stats, d.data(), static_cast<int>(d.size()), Ipv4(127, 0, 0, 1),
                           Ipv4(10, 1, 2, 3)));
  EXPECT_EQ(7, stats.TimeoutCount);
  EXPECT_EQ("", Log());
}

TEST_F(DecodeReplyTest, ShortDatagramsNeverReadPastTheirEnd) {
  // Each datagram is copied to a buffer of exactly its size, so that a read
  // past it shows under the address sanitizer.
  auto exact = [&](std::vector<unsigned char> d) {
    auto* copy = new unsigned char[d.size() ? d.size() : 1];
    std::copy(d.begin(), d.end(), copy);
    const int r = DecodeReply(stats, copy, static_cast<int>(d.size()), Ipv4(10, 1, 2, 3),
                              Ipv4(10, 1, 2, 3));
    delete[] copy;
    return r;
  };
  auto full = Datagram(Icmp(0, CurrentEchoIdentifier(), 0, 0, 0));
  EXPECT_EQ(1, exact({}));
  EXPECT_EQ(1, exact({0x45}));
  EXPECT_EQ(1, exact(std::vector<unsigned char>(full.begin(), full.begin() + 27)));
  EXPECT_EQ("2003/07/15 14:03:27:045: Too few bytes from 10.1.2.3\r\n\r\n", Log().substr(0, 56));
  // Header plus 8 to 11 bytes of an answer: no complete send time, ignored.
  sys.files.contents.clear();
  EXPECT_EQ(1, exact(std::vector<unsigned char>(full.begin(), full.begin() + 28)));
  EXPECT_EQ(1, exact(std::vector<unsigned char>(full.begin(), full.begin() + 31)));
  EXPECT_EQ("", Log());
  EXPECT_EQ(0, exact(full));
  // A header length of 60 bytes moves everything.
  std::vector<unsigned char> options(60, 0);
  options[0] = 0x4F;
  auto icmp = Icmp(0, CurrentEchoIdentifier(), 9, sys.clock.tick);
  options.insert(options.end(), icmp.begin(), icmp.end());
  EXPECT_EQ(0, exact(options));
  EXPECT_EQ(5, stats.TimeoutCount);
}

}  // namespace
}  // namespace kestro
