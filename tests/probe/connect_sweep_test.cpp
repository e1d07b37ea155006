// Sweeps of a TCP port on the scripted socket layer: each attempt's outcome
// and line.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/connect_sweep.h"

namespace kestro {
namespace {

using testing::FakeSystem;
using W = ConnectWait;

TEST(ConnectSweep, EachAttemptIsAnsweredRefusedOrTimedOut) {
  const struct {
    testing::ConnectEvent event;
    std::string line;  // after "port 8530 tcp_seq = 0"
    std::uint32_t costMs;  // the attempt and its pause
    std::string host = "staging";
  } rows[] = {
      {{0, W::Writable, 3, 0}, " time: 3 ms ", 1003},
      {{1, W::TimedOut, 0, 0}, " time: 0 ms ", 1000},  // connected at once
      {{-1, W::TimedOut, 0, 10061}, " refused", 1000},  // refused at once (loopback)
      {{0, W::Writable, 1, 10061}, " refused", 1001},   // a reset, seen as writable
      {{0, W::Failed, 40, 10065}, " refused", 1040},    // ICMP host unreachable
      {{0, W::Failed, 1500, 0}, " refused", 2500},      // Windows' exception set alone
      {{0, W::TimedOut, 0, 0}, " timed out", 3000},
      {{0, W::Writable, 2001, 0}, " timed out", 3000},  // established too late
      {{0, W::Writable, 3, 0}, " time: 3 ms ", 1003, "six"},
  };
  for (const auto& row : rows) {
    FakeSystem sys;
    sys.Install();
    sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
    sys.sockets.names6["six"] = testing::Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
    sys.sockets.connects.push_back(row.event);
    PingStatistics stats;
    const std::uint32_t start = sys.clock.tick;
    EXPECT_EQ(0, ProbeConnect(stats, row.host, 8530, 1, 2, 0)) << row.line;
    const std::string address = row.host == "six" ? "2001:db8::10" : "192.0.2.7";
    EXPECT_EQ(std::vector<std::string>{"Connect to " + address + ": port 8530 tcp_seq = 0" + row.line},
              sys.LogMessages());
    EXPECT_EQ(row.costMs, sys.clock.tick - start) << row.line;
    EXPECT_EQ(row.line.find("time:") != std::string::npos ? 0 : 1, stats.TimeoutCount) << row.line;
    EXPECT_EQ(std::vector<bool>{row.host == "six"}, sys.sockets.tcpSockets) << row.line;
    EXPECT_TRUE(sys.sockets.open.empty()) << row.line;
    EXPECT_EQ(sys.sockets.startups, sys.sockets.cleanups) << row.line;
    if (row.host == "staging") {
      EXPECT_EQ(testing::Ipv4(192, 0, 2, 7), sys.sockets.connectedTo);
    }
  }
}

}  // namespace
}  // namespace kestro
