// Whole sweeps on the scripted socket layer: requests, waits, pauses,
// failures and what is released.
#include <gtest/gtest.h>

#include <cmath>

#include "fakes/fake_system.h"
#include "probe/connect_sweep.h"
#include "probe/echo_message.h"
#include "probe/probe_host.h"

namespace kestro {
namespace {

using testing::EchoAnswer;
using testing::FakeSystem;
using testing::Ipv4;
using testing::WaitEvent;

class ProbeHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.sockets.names["staging"] = Ipv4(192, 0, 2, 7);
  }
  void TearDown() override {
    // Whatever happened, everything the sweep took is given back.
    EXPECT_TRUE(sys.sockets.open.empty());
    EXPECT_EQ(0, sys.heap.live);
    EXPECT_EQ(sys.sockets.startups, sys.sockets.cleanups);
  }
  std::string Log() { return sys.files.contents["/var/log/kestro/Kestro-2.txt"]; }
  static WaitEvent Event(WaitEvent::Kind kind, std::vector<unsigned char> bytes = {}, int error = 0) {
    WaitEvent e;
    e.kind = kind;
    e.bytes = std::move(bytes);
    e.error = error;
    return e;
  }

  static WaitEvent Datagram(std::vector<unsigned char> bytes, std::uint32_t source,
                            std::uint32_t afterMs) {
    WaitEvent e = Event(WaitEvent::Kind::Datagram, std::move(bytes));
    e.source = source;
    e.afterMs = afterMs;
    return e;
  }
  // An echo answer with a send time 10 ms before now.
  WaitEvent Answer(std::uint16_t id, std::uint16_t seq, std::uint32_t source, std::uint32_t afterMs) {
    std::vector<unsigned char> m(12 + 8, 0);
    WriteLe16(&m[4], id);
    WriteLe16(&m[6], seq);
    WriteLe32(&m[8], sys.clock.tick + afterMs - 10);
    return Datagram(testing::Datagram(m), source, afterMs);
  }

  // The answer to the request sent as number `k`, from `source`.
  static WaitEvent AnswerTo(int k, std::uint32_t afterMs, std::uint32_t source) {
    WaitEvent e = Datagram({}, source, afterMs);
    e.answerTo = k;
    return e;
  }
  // An error of `type` about the request sent as number `k`, as if it had
  // gone to `destination`.
  static WaitEvent ErrorAboutRequest(int k, unsigned char type, std::uint32_t destination,
                                     std::uint32_t afterMs) {
    WaitEvent e = AnswerTo(k, afterMs, Ipv4(198, 51, 100, 254));
    e.edit = [=](std::vector<unsigned char>& bytes) {
      std::vector<unsigned char> request(bytes.begin() + 20, bytes.end());
      request[0] = kEchoRequest;
      bytes = testing::ErrorAbout(type, request, destination);
    };
    return e;
  }

  const std::uint32_t kStaging = Ipv4(192, 0, 2, 7);
  FakeSystem sys;
  PingStatistics stats;
};

TEST_F(ProbeHostTest, EveryRequestAnswered) {
  sys.sockets.answerAfterMs = 3;
  const std::uint16_t first = static_cast<std::uint16_t>(CurrentEchoIdentifier() + 1);
  EXPECT_EQ(0, ProbeHost(stats, "staging", 1024, 7, 2, 0));
  EXPECT_EQ(0x0102, sys.sockets.lastVersion);
  EXPECT_EQ(Ipv4(192, 0, 2, 7), sys.sockets.sentTo);
  EXPECT_EQ(2, sys.sockets.sentFamily);
  ASSERT_EQ(7u, sys.sockets.sent.size());
  for (std::uint16_t i = 0; i < 7; ++i) {
    const auto& m = sys.sockets.sent[i];
    EXPECT_EQ(1036u, m.size());
    EXPECT_EQ(first + i, ReadLe16(&m[4]));
    EXPECT_EQ(i, ReadLe16(&m[6]));
    EXPECT_EQ(sys.sockets.sentTicks[i], ReadLe32(&m[8]));
    EXPECT_EQ(0, InternetChecksum(m.data(), m.size()));
  }
  EXPECT_EQ(0, stats.TimeoutCount);
  EXPECT_EQ(3.0f, stats.MinTime);
  EXPECT_EQ(21.0f, stats.SumTime);
  EXPECT_EQ(2.0f, stats.Timeout);
  EXPECT_EQ(7, sys.clock.sleeps);
  EXPECT_EQ(2u, sys.heap.sizes.size());
  EXPECT_EQ(4096u, sys.heap.sizes[0]);
  EXPECT_NE(std::string::npos,
            Log().find("Ping to 192.0.2.7: Got 1056 bytes icmp_seq = 6 time: 3 ms \r\n"));
}

TEST_F(ProbeHostTest, IdentifiersRunOnAcrossSweepsAndSequencesRestart) {
  sys.sockets.answerAfterMs = 1;
  ProbeHost(stats, "staging", 16, 7, 2, 0);
  const std::uint16_t last = ReadLe16(&sys.sockets.sent.back()[4]);
  PingStatistics second;
  ProbeHost(second, "staging", 16, 2, 2, 0);
  EXPECT_EQ(last + 1, ReadLe16(&sys.sockets.sent[7][4]));
  EXPECT_EQ(0, ReadLe16(&sys.sockets.sent[7][6]));
  EXPECT_EQ(1, ReadLe16(&sys.sockets.sent[8][6]));
}

TEST_F(ProbeHostTest, SilentHostCostsCountTimesTimeOutAndPause) {
  const std::uint32_t start = sys.clock.tick;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 1024, 7, 2, 0));
  EXPECT_EQ(7, stats.TimeoutCount);
  EXPECT_EQ(7u * 3000u, sys.clock.tick - start);
  EXPECT_EQ(14.0f, stats.SumTime);
  EXPECT_EQ("", Log());
  for (const auto& w : sys.sockets.waits) EXPECT_EQ(std::make_pair(2, 0), w);
}

TEST_F(ProbeHostTest, LateAnswerIsIgnoredAndTheWaitGoesOnForWhatIsLeft) {
  // Request 1 goes unanswered in time; its answer arrives 500 ms into the
  // wait for request 2, which is answered after it.
  sys.sockets.events.push_back(Event(WaitEvent::Kind::Timeout));
  sys.sockets.events.push_back(AnswerTo(0, 500, kStaging));
  sys.sockets.events.push_back(AnswerTo(1, 20, kStaging));
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 2, 2, 0));
  EXPECT_EQ(1, stats.TimeoutCount);
  const std::vector<std::pair<int, int>> waits = {{2, 0}, {2, 0}, {1, 500}};
  EXPECT_EQ(waits, sys.sockets.waits);
  EXPECT_EQ(std::string::npos, Log().find("icmp_seq = 0"));
  EXPECT_NE(std::string::npos, Log().find("icmp_seq = 1"));
}

TEST_F(ProbeHostTest, OnlyTheProbedHostsAnswerToTheRequestInFlightCounts) {
  // The probed host is silent to us while another program pings this
  // machine, our answer comes from another host, the probed host answers
  // someone's datagram socket bound to our identifier (with a send time of
  // their choosing), and to the next identifier: nothing is accepted.
  const std::uint16_t first = static_cast<std::uint16_t>(CurrentEchoIdentifier() + 1);
  for (int i = 0; i < 3; ++i) {
    sys.sockets.events.push_back(Answer(0xFFF0, static_cast<std::uint16_t>(i), Ipv4(127, 0, 0, 1), 100));
    sys.sockets.events.push_back(AnswerTo(i, 100, Ipv4(127, 0, 0, 1)));
    sys.sockets.events.push_back(Answer(static_cast<std::uint16_t>(first + i), 0, kStaging, 100));
    sys.sockets.events.push_back(Answer(static_cast<std::uint16_t>(first + i + 1), 0, kStaging, 100));
    sys.sockets.events.push_back(Event(WaitEvent::Kind::Timeout));
  }
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 3, 2, 0));
  EXPECT_EQ(3, stats.TimeoutCount);
  EXPECT_EQ("", Log());
}

TEST_F(ProbeHostTest, IdentifierWrapDoesNotLetAnOldAnswerThrough) {
  // Bring the counter to 65535 so that the sweep's request carries 0: the
  // answer to request 65535, arriving late, is not its answer.
  while (CurrentEchoIdentifier() != 65535) NextEchoIdentifier();
  WaitEvent old = AnswerTo(0, 10, kStaging);
  old.edit = [](std::vector<unsigned char>& bytes) { WriteLe16(&bytes[24], 65535); };
  sys.sockets.events.push_back(old);
  sys.sockets.events.push_back(AnswerTo(0, 10, kStaging));
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 1, 2, 0));
  EXPECT_EQ(0, stats.TimeoutCount);
  EXPECT_EQ(20.0f, stats.SumTime);  // the answer taken is the second one
}

TEST_F(ProbeHostTest, AStreamOfIgnoredDatagramsCannotHoldARequestBeyondItsTimeOut) {
  // Someone pings this machine every 300 ms for minutes on end.
  for (int i = 0; i < 1000; ++i)
    sys.sockets.events.push_back(Datagram(testing::Datagram({8, 0, 0, 0, 1, 2, static_cast<unsigned char>(i), 0}),
                                          Ipv4(127, 0, 0, 1), 300));
  const std::uint32_t start = sys.clock.tick;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 2, 2, 0));
  EXPECT_EQ(2, stats.TimeoutCount);
  EXPECT_EQ(2u * (2000u + 1000u), sys.clock.tick - start);
  EXPECT_LE(sys.sockets.waits.size(), 16u);
  for (const auto& w : sys.sockets.waits) EXPECT_LE(w.first * 1000 + w.second, 2000);
}

TEST_F(ProbeHostTest, AnErrorAboutTheRequestEndsItsWaitAfterOneLine) {
  sys.sockets.answerAfterMs = 5;
  sys.sockets.rejectType = 3;
  const std::uint32_t start = sys.clock.tick;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 2, 2, 0));
  EXPECT_EQ(2, stats.TimeoutCount);
  EXPECT_EQ(2u * (5u + 1000u), sys.clock.tick - start);
  EXPECT_EQ(std::vector<std::string>(2, "non-echo type 3 recvd"), sys.LogMessages());
}

TEST_F(ProbeHostTest, ErrorsAboutOtherDatagramsAreIgnoredSilently) {
  // During each wait: port-unreachable messages about someone's UDP to this
  // machine, an error about the request as if it had gone elsewhere, one
  // about the request before; then the answer.
  const std::vector<unsigned char> udp(30, 0x11);
  for (int i = 0; i < 3; ++i) {
    for (int n = 0; n < 5; ++n)
      sys.sockets.events.push_back(
          Datagram(testing::ErrorAbout(3, udp, Ipv4(127, 0, 0, 1), 30, 17), Ipv4(127, 0, 0, 1), 50));
    sys.sockets.events.push_back(ErrorAboutRequest(i, 11, Ipv4(192, 0, 2, 8), 50));
    if (i > 0) sys.sockets.events.push_back(ErrorAboutRequest(i - 1, 3, kStaging, 50));
    sys.sockets.events.push_back(AnswerTo(i, 50, kStaging));
  }
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 3, 2, 0));
  EXPECT_EQ(0, stats.TimeoutCount);
  const auto lines = sys.LogMessages();
  ASSERT_EQ(3u, lines.size());
  for (const auto& line : lines) EXPECT_EQ(0u, line.find("Ping to 192.0.2.7: Got 40 bytes")) << line;
}

// What waits on the socket before a request cannot be its answer; it is
// read and dropped unjudged (a wait would log the short one), at most 1024
// datagrams before each request.
TEST_F(ProbeHostTest, WhatIsQueuedBeforeARequestIsDroppedUnjudged) {
  sys.sockets.answerAfterMs = 3;
  auto queued = [](std::vector<unsigned char> bytes) {
    WaitEvent e = Event(WaitEvent::Kind::Datagram, std::move(bytes));
    e.queued = true;
    return e;
  };
  sys.sockets.events.push_back(queued({0x45}));
  sys.sockets.events.push_back(queued(std::vector<unsigned char>(5000, 0x45)));  // too large
  for (int i = 0; i < 1500; ++i) sys.sockets.events.push_back(queued(testing::Datagram({8, 0, 0, 0, 1, 2, 3, 4})));
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 2, 2, 0));
  EXPECT_EQ(0, stats.TimeoutCount);
  EXPECT_TRUE(sys.sockets.events.empty());
  EXPECT_EQ(1024 + (1502 - 1024) + 1, sys.sockets.polls);
  EXPECT_EQ(std::string::npos, Log().find("Too few"));
}

// A datagram socket changes nothing of the sweep but one line per sweep,
// written when the socket is opened; the raw socket's log stays as it was.
TEST_F(ProbeHostTest, DatagramSocketAddsOneLinePerSweepAndNothingElse) {
  const std::string notice = "Raw ICMP socket refused, using an ICMP datagram socket\r\n";
  sys.sockets.answerAfterMs = 4;
  ProbeHost(stats, "staging", 64, 3, 2, 0);
  const std::string raw = Log();
  EXPECT_EQ(std::string::npos, raw.find("ICMP"));

  sys.files.contents.clear();
  sys.sockets.socketKind = IcmpSocketKind::Datagram;
  PingStatistics first, second;
  ProbeHost(first, "staging", 64, 3, 2, 0);
  ProbeHost(second, "staging", 64, 3, 2, 0);
  const std::string log = Log();
  const std::size_t at = log.find(notice);
  ASSERT_NE(std::string::npos, at);
  EXPECT_LT(at, log.find("Ping to"));
  EXPECT_EQ(at, log.find(": ") + 2);  // the first line of the sweep
  EXPECT_NE(std::string::npos, log.find(notice, at + 1));
  EXPECT_EQ(std::string::npos, log.find(notice, log.find(notice, at + 1) + 1));
  for (const PingStatistics* s : {&first, &second}) {
    EXPECT_EQ(stats.ErrorCode, s->ErrorCode);
    EXPECT_EQ(stats.TimeoutCount, s->TimeoutCount);
    EXPECT_EQ(stats.SumTime, s->SumTime);
    EXPECT_EQ(stats.ErrorText, s->ErrorText);
  }
  // Without the notice, each sweep's lines are the raw sweep's, time stamps aside.
  auto strip = [](std::string text) {
    std::string out;
    for (std::size_t p = 0; p < text.size();) {
      const std::size_t end = text.find('\n', p);
      const std::string line = text.substr(p, end - p + 1);
      if (line.find("ICMP datagram") == std::string::npos) out += line.substr(line.find(": ") + 2);
      p = end + 1;
    }
    return out;
  };
  EXPECT_EQ(strip(raw) + strip(raw), strip(log));
}

TEST_F(ProbeHostTest, DottedQuadIsTriedAsANameFirst) {
  sys.sockets.answerAfterMs = 1;
  EXPECT_EQ(0, ProbeHost(stats, "198.51.100.9", 8, 1, 2, 0));
  EXPECT_EQ(Ipv4(198, 51, 100, 9), sys.sockets.sentTo);
  const auto calls = sys.plan.Calls();
  const auto name = std::find(calls.begin(), calls.end(), "gethostbyname");
  ASSERT_NE(calls.end(), name);
  EXPECT_EQ("inet_addr", *(name + 1));
}

TEST_F(ProbeHostTest, ZeroRequestsStillTakeAndReleaseEverything) {
  EXPECT_EQ(0, ProbeHost(stats, "staging", 1024, 0, 2, 0));
  EXPECT_EQ(1, sys.sockets.startups);
  EXPECT_EQ(2u, sys.heap.sizes.size());
  EXPECT_TRUE(sys.sockets.sent.empty());
  EXPECT_EQ(1.0f, stats.SumTime);
  EXPECT_TRUE(std::isinf(stats.AvgTime));
}

TEST_F(ProbeHostTest, ZeroDataBytesSendsTwelveByteMessages) {
  sys.sockets.answerAfterMs = 0;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 0, 2, 2, 0));
  EXPECT_EQ(12u, sys.sockets.sent[0].size());
}

TEST_F(ProbeHostTest, SendTimeOutsAreJoinedAndSkipTheWait) {
  sys.plan.Fail("sendto", 1, false, 10060);
  sys.sockets.answerAfterMs = 2;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 3, 2, 0));
  EXPECT_EQ("sendto timed out", stats.ErrorText);
  EXPECT_EQ(2, sys.clock.sleeps);  // the timed-out request had no pause
  EXPECT_EQ(1, stats.TimeoutCount);
  EXPECT_NE(std::string::npos, Log().find(": sendto timed out\r\n"));
}

TEST_F(ProbeHostTest, ReceiveTimeOutGoesToStandardOutputAndWaitsAgain) {
  sys.sockets.events.push_back(Event(WaitEvent::Kind::ReceiveError, {}, 10060));
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 1, 2, 0));
  EXPECT_EQ("timed out\n", sys.console.out);
  EXPECT_EQ(2u, sys.sockets.waits.size());
}

TEST_F(ProbeHostTest, FailedWaitCountsAsATimeOut) {
  sys.sockets.events.push_back(Event(WaitEvent::Kind::WaitFails));
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 1, 2, 0));
  EXPECT_EQ(1, stats.TimeoutCount);
  EXPECT_EQ(1u, sys.sockets.waits.size());
}

TEST_F(ProbeHostTest, ShortSendIsLoggedAndAwaited) {
  sys.sockets.shortSendBy = 1;
  sys.sockets.answerAfterMs = 1;
  EXPECT_EQ(0, ProbeHost(stats, "staging", 8, 1, 2, 0));
  EXPECT_NE(std::string::npos, Log().find(": Got less bytes back than written\r\n"));
  EXPECT_EQ(0, stats.TimeoutCount);
}

// Each failure: its code, its message in the record and the log, no
// completion, and (checked after every test) everything released.
TEST_F(ProbeHostTest, EachFailureEndsTheSweepWithItsCodeAndMessage) {
  struct Row {
    const char* call;
    int nth;
    std::uint32_t error;
    int code;
    std::string message;
    int port = 0;  // a connect sweep's
  };
  sys.lastError.code = 8;
  const std::vector<Row> rows = {
      {"WSAStartup", 1, 0, 2, "WSAStartup failed: 8"},
      {"WSASocketA", 1, 10013, 4, "WSASocket() failed: 10013"},
      {"HeapAlloc", 1, 0, 16, "HeapAlloc failed 8"},
      {"HeapAlloc", 2, 0, 16, "HeapAlloc failed 8"},
      {"sendto", 2, 10065, 32, "sendto failed: 10065"},
      {"recvfrom", 1, 10054, 64, "recvfrom failed: 10054"},
      {"WSAStartup", 1, 0, 2, "WSAStartup failed: 8", 8530},
      {"WSASocketA", 2, 10024, 4, "WSASocket() failed: 10024", 8530},
      {"connect", 2, 10055, 32, "connect failed: 10055", 8530},
  };
  for (const Row& row : rows) {
    FakeSystem fresh;
    fresh.Install();
    fresh.lastError.code = 8;
    fresh.sockets.names["staging"] = Ipv4(192, 0, 2, 7);
    fresh.sockets.answerAfterMs = 1;
    fresh.plan.Fail(row.call, row.nth, false, row.error);
    PingStatistics s;
    s.AppendErrorText("sendto timed out");
    EXPECT_EQ(row.code, row.port ? ProbeConnect(s, "staging", row.port, 3, 2, 0)
                                 : ProbeHost(s, "staging", 8, 3, 2, 0))
        << row.call;
    EXPECT_EQ(row.code, s.ErrorCode);
    EXPECT_EQ("sendto timed out " + row.message, s.ErrorText);
    EXPECT_NE(std::string::npos,
              fresh.files.contents["/var/log/kestro/Kestro-2.txt"].find(": " + row.message + "\r\n"));
    EXPECT_EQ(99999.0f, s.AvgTime);  // never completed
    EXPECT_TRUE(fresh.sockets.open.empty()) << row.call;
    EXPECT_EQ(0, fresh.heap.live) << row.call;
    EXPECT_EQ(fresh.sockets.startups, fresh.sockets.cleanups) << row.call;
  }
  sys.Install();
}

TEST_F(ProbeHostTest, UnresolvableHost) {
  EXPECT_EQ(8, ProbeHost(stats, "no.such.host", 1024, 7, 2, 0));
  EXPECT_EQ("Unable to resolve no.such.host", stats.ErrorText);
  EXPECT_EQ(7, stats.TimeoutCount);
  EXPECT_EQ(0.0f, stats.SumTime);
}

TEST_F(ProbeHostTest, AnswerTooLargeForTheBufferIsFailure64) {
  std::vector<unsigned char> big(20 + 4065 + 12, 0);
  big[0] = 0x45;
  sys.sockets.events.push_back(Event(WaitEvent::Kind::Datagram, big));
  EXPECT_EQ(64, ProbeHost(stats, "staging", 4065, 1, 2, 0));
  EXPECT_EQ("recvfrom failed: 10040", stats.ErrorText);
}

TEST_F(ProbeHostTest, PacketSizesThatDoNotFitAreRefusedBeforeSending) {
  for (int size : {-1, 4085, 1 << 30}) {
    PingStatistics s;
    EXPECT_EQ(16, ProbeHost(s, "staging", size, 7, 2, 0)) << size;
    EXPECT_EQ("PacketSize " + std::to_string(size) + " does not fit the 4096-byte buffer",
              s.ErrorText);
  }
  EXPECT_TRUE(sys.sockets.sent.empty());
  EXPECT_EQ(0, sys.sockets.startups);
  PingStatistics fits;
  sys.sockets.answerAfterMs = 0;
  // The largest message is sent; its answer, with the IPv4 header in front,
  // no longer fits the receive buffer.
  EXPECT_EQ(64, ProbeHost(fits, "staging", 4084, 1, 2, 0));
  EXPECT_EQ(4096u, sys.sockets.sent[0].size());
}

}  // namespace
}  // namespace kestro

namespace kestro {
namespace {

using testing::FakeSystem;
using testing::Ipv4;
using testing::Ipv6;

// IPv6 only where the IPv4 steps find nothing: which text is looked up
// where, and what the sweep then does.
TEST(ProbeHostIpv6, OnlyATextWithoutIPv4AddressIsSweptOverIpv6) {
  struct Row {
    const char* host;
    const char* looked6;  // "" when IPv6 is not looked up at all
    int result;
    const char* line;  // the first log line
  };
  const std::vector<Row> rows = {
      {"both", "", 0, "Ping to 192.0.2.7: Got 40 bytes icmp_seq = 0 time: 3 ms "},
      {"198.51.100.9", "", 0, "Ping to 198.51.100.9: Got 40 bytes icmp_seq = 0 time: 3 ms "},
      {"six", "six", 0, "Ping to 2001:db8::10: Got 20 bytes icmp_seq = 0 time: 3 ms "},
      {"2001:db8::10", "2001:db8::10", 0, "Ping to 2001:db8::10: Got 20 bytes icmp_seq = 0 time: 3 ms "},
      {"[2001:db8::10]", "2001:db8::10", 0, "Ping to 2001:db8::10: Got 20 bytes icmp_seq = 0 time: 3 ms "},
      {"nowhere", "nowhere", 8, "Unable to resolve nowhere"},
      {"[nowhere]", "nowhere", 8, "Unable to resolve [nowhere]"},
  };
  for (const Row& row : rows) {
    FakeSystem sys;
    sys.Install();
    sys.sockets.names["both"] = Ipv4(192, 0, 2, 7);
    sys.sockets.names6["both"] = sys.sockets.names6["six"] = sys.sockets.names6["2001:db8::10"] =
        Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
    sys.sockets.answerAfterMs = 3;
    PingStatistics stats;
    EXPECT_EQ(row.result, ProbeHost(stats, row.host, 8, 2, 2, 0)) << row.host;
    EXPECT_EQ(*row.looked6 ? std::vector<std::string>{row.looked6} : std::vector<std::string>{},
              sys.sockets.looked6)
        << row.host;
    ASSERT_FALSE(sys.LogMessages().empty()) << row.host;
    EXPECT_EQ(row.line, sys.LogMessages()[0]) << row.host;
    EXPECT_EQ(row.result == 0 ? 0 : 2, stats.TimeoutCount) << row.host;
    // The IPv4 socket is traded for the ICMPv6 one, and every socket closed.
    EXPECT_EQ(*row.looked6 && row.result == 0 ? 1 : 0, sys.sockets.opened6) << row.host;
    EXPECT_TRUE(sys.sockets.open.empty()) << row.host;
  }
}

TEST(ProbeHostIpv6, RequestsErrorsAndTheDatagramSocketOverIpv6) {
  FakeSystem sys;
  sys.Install();
  sys.sockets.names6["six"] = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
  sys.sockets.answerAfterMs = 4;
  sys.sockets.rejectType = 1;
  sys.sockets.socketKind6 = IcmpSocketKind::Datagram;
  PingStatistics stats;
  EXPECT_EQ(0, ProbeHost(stats, "six", 8, 2, 2, 0));
  ASSERT_EQ(2u, sys.sockets.sent.size());
  for (const auto& m : sys.sockets.sent) {
    EXPECT_EQ(128, m[0]);                // echo request
    EXPECT_EQ(0, ReadLe16(&m[2]));       // the stack's to fill in
    EXPECT_EQ(20u, m.size());
  }
  EXPECT_EQ(Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10}), sys.sockets.sentTo6);
  const std::vector<std::string> lines = {"Raw ICMP socket refused, using an ICMP datagram socket",
                                          "non-echo type 1 recvd", "non-echo type 1 recvd"};
  EXPECT_EQ(lines, sys.LogMessages());
  EXPECT_EQ(2, stats.TimeoutCount);

  // The ICMPv6 socket refused: failure 4, as for the IPv4 one.
  FakeSystem refused;
  refused.Install();
  refused.sockets.names6["six"] = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
  refused.plan.Fail("WSASocketA", 2, false, 10013);
  PingStatistics failed;
  EXPECT_EQ(4, ProbeHost(failed, "six", 8, 2, 2, 0));
  EXPECT_EQ("WSASocket() failed: 10013", failed.ErrorText);
  EXPECT_TRUE(refused.sockets.open.empty());
}

}  // namespace
}  // namespace kestro
