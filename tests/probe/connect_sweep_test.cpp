// Sweeps of a TCP port on the scripted socket layer: each attempt's outcome
// and line, and the figures of a whole sweep.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/connect_sweep.h"

namespace kestro {
namespace {

using testing::ConnectEvent;
using testing::FakeSystem;
using testing::Ipv4;
using testing::Ipv6;

TEST(ConnectSweep, EachAttemptIsAnsweredRefusedOrTimedOut) {
  using W = ConnectWait;
  struct Row {
    const char* what;
    ConnectEvent event;
    const char* line;
    std::uint32_t costMs;  // the attempt and its pause
    const char* host = "staging";
  };
  const std::string at = "Connect to 192.0.2.7: port 8530 tcp_seq = 0";
  const std::vector<Row> rows = {
      {"answered", {0, W::Writable, 3, 0}, " time: 3 ms ", 1003},
      {"connected at once", {1, W::TimedOut, 0, 0}, " time: 0 ms ", 1000},
      {"refused at once", {-1, W::TimedOut, 0, 10061}, " refused", 1000},
      {"reset seen as writable", {0, W::Writable, 1, 10061}, " refused", 1001},
      {"ICMP unreachable", {0, W::Failed, 40, 10065}, " refused", 1040},
      // Windows: the exception set alone says the connect failed.
      {"exception set", {0, W::Failed, 1500, 0}, " refused", 2500},
      {"timed out", {0, W::TimedOut, 0, 0}, " timed out", 3000},
      {"answer after the time-out", {0, W::Writable, 2001, 0}, " timed out", 3000},
      {"IPv6", {0, W::Writable, 3, 0}, " time: 3 ms ", 1003, "six"},
  };
  for (const Row& row : rows) {
    FakeSystem sys;
    sys.Install();
    sys.sockets.names["staging"] = Ipv4(192, 0, 2, 7);
    sys.sockets.names6["six"] = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x10});
    sys.sockets.connects.push_back(row.event);
    PingStatistics stats;
    const std::uint32_t start = sys.clock.tick;
    EXPECT_EQ(0, ProbeConnect(stats, row.host, 8530, 1, 2, 0)) << row.what;
    const std::string where =
        row.host == std::string("six") ? "Connect to 2001:db8::10: port 8530 tcp_seq = 0" : at;
    EXPECT_EQ(std::vector<std::string>{where + row.line}, sys.LogMessages()) << row.what;
    EXPECT_EQ(row.costMs, sys.clock.tick - start) << row.what;
    EXPECT_EQ(std::string(row.line).find("time:") != std::string::npos ? 0 : 1, stats.TimeoutCount) << row.what;
    EXPECT_EQ(std::vector<bool>{row.host == std::string("six")}, sys.sockets.tcpSockets) << row.what;
    EXPECT_EQ(std::vector<int>{8530}, sys.sockets.connectPorts) << row.what;
    EXPECT_TRUE(sys.sockets.open.empty()) << row.what;
    EXPECT_EQ(sys.sockets.startups, sys.sockets.cleanups) << row.what;
  }
}

// The figures of an echo sweep, true for a connect: no data, so no size
// and no throughput; the report says which port was swept.
TEST(ConnectSweep, FiguresAndReportOfAWholeSweep) {
  FakeSystem sys;
  sys.Install();
  sys.sockets.names["staging"] = Ipv4(192, 0, 2, 7);
  for (std::uint32_t ms : {10u, 12u, 11u, 10u, 15u, 10u})
    sys.sockets.connects.push_back({0, ConnectWait::Writable, ms, 0});
  sys.sockets.connects.push_back({-1, ConnectWait::TimedOut, 0, 10061});
  PingStatistics stats;
  EXPECT_EQ(0, ProbeConnect(stats, "staging", 443, 7, 2, 0));
  EXPECT_EQ(Ipv4(192, 0, 2, 7), sys.sockets.connectedTo);
  EXPECT_EQ((std::vector<std::pair<int, int>>(6, {2, 0})), sys.sockets.waits);
  EXPECT_EQ(7, sys.clock.sleeps);
  EXPECT_EQ(0, sys.heap.live);
  sys.files.contents.clear();
  stats.WriteReport();
  const std::vector<std::string> report = {
      "ErrorText ",      "ErrorCode 0",     "Packets 6",       "PacketSize 0",
      "TotalCount 7",    "TimeoutCount 1",  "MinTime 10.00",   "MaxTime 15.00",
      "AvgTime 10.00",   "Timeout 2.00",    "SumTime 70.00",   "BytesPerSecond 0.00",
      "ProbePort 443"};
  EXPECT_EQ(report, sys.LogMessages());
}

}  // namespace
}  // namespace kestro
