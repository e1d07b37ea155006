// Judging datagrams read from the raw socket.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/decode_reply.h"
#include "probe/echo_message.h"

namespace kestro {
namespace {

using testing::Datagram;
using testing::EchoAnswer;
using testing::ErrorAbout;
using testing::FakeSystem;
using testing::Ipv4;

const std::uint32_t kProbed = Ipv4(10, 1, 2, 3);

class DecodeReplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    stats.TotalCount = stats.TimeoutCount = 7;
    // The request in flight: 16 data bytes, sequence 3, sent at tick 988.
    FillEchoRequest(sent.data(), sent.size());
    SealEchoRequest(sent.data(), sent.size(), 988, 3);
    sys.clock.tick = 1000;
  }

  int Decode(const std::vector<unsigned char>& d, std::uint32_t source = kProbed) {
    EchoInFlight request;
    request.message = sent.data();
    request.length = static_cast<int>(sent.size());
    return DecodeReply(stats, d.data(), static_cast<int>(d.size()), source, kProbed, request);
  }
  // The request with byte `at` replaced.
  std::vector<unsigned char> Sent(std::size_t at, unsigned char value) const {
    auto m = sent;
    m[at] = value;
    return m;
  }

  std::string Log() { return sys.files.contents["/var/log/kestro/Kestro-2.txt"]; }

  FakeSystem sys;
  PingStatistics stats;
  std::vector<unsigned char> sent = std::vector<unsigned char>(12 + 16);
};

// Every datagram the raw socket may hand over during a wait, and what it
// does to the wait, the record and the log.
TEST_F(DecodeReplyTest, OnlyTheAnswerToTheRequestInFlightOrAnErrorAboutItEndsTheWait) {
  const std::uint8_t id = sent[4];
  auto longer = sent;
  longer.push_back(0);
  auto shorter = sent;
  shorter.pop_back();
  auto forged = sent;
  WriteLe32(&forged[8], 988 - 15883);
  const auto unreachable = ErrorAbout(3, sent, kProbed);
  const std::vector<unsigned char> cut(unreachable.begin(), unreachable.begin() + 20 + 8 + 19);
  struct Row {
    const char* what;
    std::vector<unsigned char> datagram;
    std::uint32_t source;
    int result;
    const char* line;
  };
  const std::vector<Row> rows = {
      {"the answer", EchoAnswer(sent), kProbed, 0,
       "Ping to 10.1.2.3: Got 48 bytes icmp_seq = 3 time: 12 ms "},
      {"the answer, from another host", EchoAnswer(sent), Ipv4(127, 0, 0, 1), 1, ""},
      {"an earlier request's answer", EchoAnswer(Sent(4, id - 1)), kProbed, 1, ""},
      {"a later identifier's answer", EchoAnswer(Sent(4, id + 1)), kProbed, 1, ""},
      {"our identifier and sequence, other data", EchoAnswer(Sent(27, 255)), kProbed, 1, ""},
      {"our identifier, another sequence", EchoAnswer(Sent(6, 4)), kProbed, 1, ""},
      {"our identifier, a send time of someone's choosing", EchoAnswer(forged), kProbed, 1, ""},
      {"one data byte more", EchoAnswer(longer), kProbed, 1, ""},
      {"one data byte less", EchoAnswer(shorter), kProbed, 1, ""},
      {"the request itself, coming back", Datagram(sent), kProbed, 1, ""},
      {"unreachable, about the request", ErrorAbout(3, sent, kProbed), Ipv4(10, 9, 9, 9), 0,
       "non-echo type 3 recvd"},
      {"time exceeded, quoting only its header", ErrorAbout(11, sent, kProbed, 8), kProbed, 0,
       "non-echo type 11 recvd"},
      {"parameter problem", ErrorAbout(12, sent, kProbed, 12), kProbed, 0,
       "non-echo type 12 recvd"},
      {"source quench", ErrorAbout(4, sent, kProbed), kProbed, 0, "non-echo type 4 recvd"},
      {"redirect", ErrorAbout(5, sent, kProbed), kProbed, 0, "non-echo type 5 recvd"},
      {"a quote whose checksum differs", ErrorAbout(3, Sent(2, 0x5A), kProbed), kProbed, 0,
       "non-echo type 3 recvd"},
      {"unreachable, about UDP to the probed host", ErrorAbout(3, sent, kProbed, 99, 17), kProbed,
       1, ""},
      {"unreachable, about a request to another host", ErrorAbout(3, sent, Ipv4(10, 1, 2, 4)),
       kProbed, 1, ""},
      {"unreachable, about an earlier request", ErrorAbout(3, Sent(4, id - 1), kProbed), kProbed,
       1, ""},
      {"unreachable, about a request with other data", ErrorAbout(3, Sent(20, 255), kProbed),
       kProbed, 1, ""},
      {"unreachable, about an answer", ErrorAbout(3, Sent(0, 0), kProbed), kProbed, 1, ""},
      {"unreachable, quoting 7 bytes", ErrorAbout(3, sent, kProbed, 7), kProbed, 1, ""},
      {"unreachable, cut inside the quoted header", cut, kProbed, 1, ""},
      {"a timestamp request quoting the request", ErrorAbout(13, sent, kProbed), kProbed, 1, ""},
      {"a router advertisement", Datagram(std::vector<unsigned char>(16, 9)), kProbed, 1, ""},
      {"type 200", ErrorAbout(200, sent, kProbed), kProbed, 1, ""},
  };
  for (const Row& row : rows) {
    sys.files.contents.clear();
    stats.TimeoutCount = 7;
    EXPECT_EQ(row.result, Decode(row.datagram, row.source)) << row.what;
    const bool taken = std::string(row.line).compare(0, 4, "Ping") == 0;
    EXPECT_EQ(taken ? 6 : 7, stats.TimeoutCount) << row.what;
    EXPECT_EQ(*row.line ? "2003/07/15 14:03:27:045: " + std::string(row.line) + "\r\n" : "",
              Log())
        << row.what;
  }
}

TEST_F(DecodeReplyTest, AnswerTimeIsRightAcrossTheTickWrap) {
  SealEchoRequest(sent.data(), sent.size(), 0xFFFFFFF0u, 65535);
  sys.clock.tick = 5;
  EXPECT_EQ(0, Decode(EchoAnswer(sent)));
  EXPECT_EQ(21.0f, stats.SumTime);
  EXPECT_NE(std::string::npos, Log().find("icmp_seq = 65535 time: 21 ms "));
}

TEST_F(DecodeReplyTest, ShortDatagramsNeverReadPastTheirEnd) {
  // Each datagram is copied to a buffer of exactly its size, so that a read
  // past it shows under the address sanitizer.
  auto exact = [&](std::vector<unsigned char> d) {
    auto* copy = new unsigned char[d.size() ? d.size() : 1];
    std::copy(d.begin(), d.end(), copy);
    EchoInFlight request;
    request.message = sent.data();
    request.length = static_cast<int>(sent.size());
    const int r = DecodeReply(stats, copy, static_cast<int>(d.size()), kProbed, kProbed, request);
    delete[] copy;
    return r;
  };
  const auto full = EchoAnswer(sent);
  EXPECT_EQ(1, exact({}));
  EXPECT_EQ(1, exact({0x45}));
  EXPECT_EQ(1, exact(std::vector<unsigned char>(full.begin(), full.begin() + 27)));
  EXPECT_EQ("2003/07/15 14:03:27:045: Too few bytes from 10.1.2.3\r\n\r\n", Log().substr(0, 56));
  // A header and part of the answer, or of an error's quote: ignored.
  sys.files.contents.clear();
  for (std::size_t n = 28; n < full.size(); ++n)
    EXPECT_EQ(1, exact(std::vector<unsigned char>(full.begin(), full.begin() + n))) << n;
  const auto error = ErrorAbout(3, sent, kProbed, 8);
  for (std::size_t n = 28; n < error.size(); ++n)
    EXPECT_EQ(1, exact(std::vector<unsigned char>(error.begin(), error.begin() + n))) << n;
  EXPECT_EQ("", Log());
  EXPECT_EQ(0, exact(full));
  EXPECT_EQ(0, exact(error));
  // A header length of 60 bytes moves everything.
  std::vector<unsigned char> options(60, 0);
  options[0] = 0x4F;
  options.insert(options.end(), full.begin() + 20, full.end());
  EXPECT_EQ(0, exact(options));
  EXPECT_EQ(5, stats.TimeoutCount);
}

}  // namespace
}  // namespace kestro
