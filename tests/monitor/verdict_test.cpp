// The one-line verdict of a pass, as the service's status line shows it.
#include <gtest/gtest.h>

#include "monitor/verdict.h"

namespace kestro {
namespace {

PingStatistics Sweep(int total, int timeouts, float avg, int error = 0) {
  PingStatistics stats;
  stats.TotalCount = total;
  stats.TimeoutCount = timeouts;
  stats.AvgTime = avg;
  stats.ErrorCode = error;
  return stats;
}

TEST(VerdictTest, EachSlotIsJudgedByItsOwnLimits) {
  MonitorSettings settings;
  settings.PingTimeOut[1] = 0;     // slot 2: no limit on time-outs ...
  settings.PingResponse[1] = 5;    // ... but a tight one on the mean
  settings.PingResponse[2] = 0;    // slot 3: no limit on the mean
  EXPECT_EQ("127.0.0.1: 7 of 7 answered, AvgTime 7.86; slot 1 start, slot 2 stop, slot 3 start",
            DescribeVerdict("127.0.0.1", Sweep(7, 0, 7.857f), settings));
  EXPECT_EQ("staging: 5 of 7 answered, AvgTime 3.00; slot 1 stop, slot 2 start, slot 3 stop",
            DescribeVerdict("staging", Sweep(7, 2, 3.0f), settings));
  PingStatistics connects = Sweep(7, 0, 1.0f);
  connects.ProbePort = 8530;
  EXPECT_EQ("staging TCP port 8530: 7 of 7 answered, AvgTime 1.00; slot 1 start, slot 2 start, "
            "slot 3 start",
            DescribeVerdict("staging", connects, settings));
}

TEST(VerdictTest, AFailedSweepNamesItsCodeAndStopsEverySlot) {
  EXPECT_EQ("nosuch: sweep failed, ErrorCode 8; slot 1 stop, slot 2 stop, slot 3 stop",
            DescribeVerdict("nosuch", Sweep(0, 0, 99999.0f, 8), MonitorSettings()));
}

}  // namespace
}  // namespace kestro
