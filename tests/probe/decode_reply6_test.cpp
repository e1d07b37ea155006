// Judging what the ICMPv6 socket hands over, and IPv6 addresses as text.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"
#include "probe/ipv6_text.h"

namespace kestro {
namespace {

using testing::EchoAnswer6;
using testing::ErrorAbout6;
using testing::FakeSystem;
using testing::Ipv6;

const Ipv6Address kProbed = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
const Ipv6Address kOther = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x11});

TEST(DecodeReply6, TheRulesOfTheIpv4JudgementAndNothingElseOfIpv6EndsAWait) {
  FakeSystem sys;
  sys.Install();
  std::vector<unsigned char> sent(12 + 16);
  FillEchoRequest(sent.data(), sent.size());
  sent[0] = kEchoRequest6;
  SealEchoRequest(sent.data(), sent.size(), 988, 3);
  sys.clock.tick = 1000;
  auto with = [&](std::size_t at, unsigned char value) {
    auto m = sent;
    m[at] = value;
    return m;
  };
  struct Row {
    const char* what;
    std::vector<unsigned char> datagram;
    Ipv6Address source;
    int result;
    const char* line;
  };
  const std::vector<Row> rows = {
      {"the answer", EchoAnswer6(sent), kProbed, 0,
       "Ping to 2001:db8::10: Got 28 bytes icmp_seq = 3 time: 12 ms "},
      {"the answer, from another host", EchoAnswer6(sent), kOther, 1, ""},
      {"an earlier request's answer", EchoAnswer6(with(4, sent[4] - 1)), kProbed, 1, ""},
      {"our identifier, a send time of someone's choosing", EchoAnswer6(with(9, 0x77)), kProbed, 1,
       ""},
      {"our identifier, other data", EchoAnswer6(with(27, 255)), kProbed, 1, ""},
      {"the request itself", sent, kProbed, 1, ""},
      {"an IPv4 echo answer's type", with(0, 0), kProbed, 1, ""},
      {"unreachable, about the request", ErrorAbout6(1, sent, kProbed), kOther, 0,
       "non-echo type 1 recvd"},
      {"packet too big", ErrorAbout6(2, sent, kProbed), kOther, 0, "non-echo type 2 recvd"},
      {"time exceeded, quoting the header only", ErrorAbout6(3, sent, kProbed, 8), kOther, 0,
       "non-echo type 3 recvd"},
      {"parameter problem", ErrorAbout6(4, sent, kProbed), kOther, 0, "non-echo type 4 recvd"},
      {"unreachable, about UDP to the probed host", ErrorAbout6(1, sent, kProbed, 99, 17), kOther,
       1, ""},
      {"unreachable, about a request to another host", ErrorAbout6(1, sent, kOther), kOther, 1, ""},
      {"unreachable, about an earlier request", ErrorAbout6(1, with(4, sent[4] - 1), kProbed),
       kOther, 1, ""},
      {"unreachable, quoting 7 bytes", ErrorAbout6(1, sent, kProbed, 7), kOther, 1, ""},
      {"unreachable, cut inside the quoted header",
       std::vector<unsigned char>(47, 1), kOther, 1, ""},
      {"neighbour solicitation", ErrorAbout6(135, sent, kProbed), kProbed, 1, ""},
      {"router advertisement", std::vector<unsigned char>(64, 134), kProbed, 1, ""},
      {"multicast listener report", ErrorAbout6(143, sent, kProbed), kProbed, 1, ""},
      {"redirect", ErrorAbout6(137, sent, kProbed), kProbed, 1, ""},
      {"seven bytes", std::vector<unsigned char>(7, 129), kProbed, 1, "Too few bytes from 2001:db8::10\r\n"},
      {"nothing", {}, kProbed, 1, "Too few bytes from 2001:db8::10\r\n"},
  };
  for (const Row& row : rows) {
    sys.files.contents.clear();
    PingStatistics stats;
    stats.TotalCount = stats.TimeoutCount = 7;
    // A buffer of exactly the datagram's size: a read past it shows under
    // the address sanitizer.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[row.datagram.size() + 1]);
    std::copy(row.datagram.begin(), row.datagram.end(), copy.get());
    EchoInFlight request;
    request.message = sent.data();
    request.length = static_cast<int>(sent.size());
    EXPECT_EQ(row.result, DecodeReply6(stats, copy.get(), static_cast<int>(row.datagram.size()),
                                       row.source, kProbed, request))
        << row.what;
    const bool taken = std::string(row.line).compare(0, 4, "Ping") == 0;
    EXPECT_EQ(taken ? 6 : 7, stats.TimeoutCount) << row.what;
    EXPECT_EQ(*row.line ? "2003/07/15 14:03:27:045: " + std::string(row.line) + "\r\n" : "",
              sys.files.contents["/var/log/kestro/Kestro-2.txt"])
        << row.what;
  }
}

TEST(Ipv6Text, StandardForm) {
  const std::vector<std::pair<Ipv6Address, std::string>> rows = {
      {Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10}), "2001:db8::10"},
      {Ipv6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
      {Ipv6({}), "::"},
      {Ipv6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},  // one zero group stays
      {Ipv6({0x2001, 0, 0, 1, 0, 0, 0, 1}), "2001:0:0:1::1"},             // the longest run
      {Ipv6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},     // the first of equals
      {Ipv6({0xFE80, 0, 0, 0, 0x0A0B, 0x00CD, 0, 0}, 3), "fe80::a0b:cd:0:0"},
      {Ipv6({0xABCD, 0, 0, 0, 0, 0, 0, 0}), "abcd::"},
      {Ipv6({0, 0, 0, 0, 0, 0xFFFF, 0xC000, 0x0201}), "::ffff:192.0.2.1"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.second, FormatIpv6(row.first));
  EXPECT_EQ("2001:db8::10", WithoutBrackets("[2001:db8::10]"));
  EXPECT_EQ("[2001:db8::10", WithoutBrackets("[2001:db8::10"));
  EXPECT_EQ("staging", WithoutBrackets("staging"));
  EXPECT_EQ("", WithoutBrackets("[]"));
}

}  // namespace
}  // namespace kestro
