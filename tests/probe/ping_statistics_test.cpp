// The statistics of a sweep and their twelve report lines.
#include <gtest/gtest.h>

#include <cmath>

#include "fakes/fake_system.h"
#include "probe/ping_statistics.h"

namespace kestro {
namespace {

using testing::FakeSystem;

class PingStatisticsTest : public ::testing::Test {
 protected:
  void SetUp() override { sys.Install(); }

  std::vector<std::string> Report(const PingStatistics& s) {
    sys.files.contents.clear();
    s.WriteReport();
    return sys.LogMessages();
  }

  static PingStatistics Planned(int count) {
    PingStatistics s;
    s.TotalCount = count;
    s.TimeoutCount = count;
    s.PacketSize = 1024;
    s.Timeout = 2.0f;
    return s;
  }

  FakeSystem sys;
};

TEST_F(PingStatisticsTest, SixAnswersAndOneTimeOut) {
  PingStatistics s = Planned(7);
  for (std::uint32_t t : {10u, 12u, 11u, 10u, 15u, 10u}) s.RecordReply(t);
  s.FinishSweep();
  EXPECT_EQ((std::vector<std::string>{"ErrorText ", "ErrorCode 0", "Packets 6", "PacketSize 1024",
                                      "TotalCount 7", "TimeoutCount 1", "MinTime 10.00",
                                      "MaxTime 15.00", "AvgTime 10.00", "Timeout 2.00",
                                      "SumTime 70.00", "BytesPerSecond 103.60"}),
            Report(s));
}

TEST_F(PingStatisticsTest, NoAnswerAtAll) {
  PingStatistics s = Planned(7);
  s.FinishSweep();
  EXPECT_EQ((std::vector<std::string>{"ErrorText ", "ErrorCode 0", "Packets 0", "PacketSize 1024",
                                      "TotalCount 7", "TimeoutCount 7", "MinTime 99999.00",
                                      "MaxTime -99999.00", "AvgTime 2.00", "Timeout 2.00",
                                      "SumTime 14.00", "BytesPerSecond 518.00"}),
            Report(s));
}

TEST_F(PingStatisticsTest, SweepOfNoRequestsHasInfiniteMean) {
  PingStatistics s = Planned(0);
  s.FinishSweep();
  EXPECT_EQ(1.0f, s.SumTime);
  EXPECT_EQ(0.0f, s.BytesPerSecond);
  EXPECT_TRUE(std::isinf(s.AvgTime) && s.AvgTime > 0);
  EXPECT_EQ("AvgTime inf", Report(s)[8]);
}

TEST_F(PingStatisticsTest, ByteCountOfHugeSweepsDoesNotOverflow) {
  // 2,100,000 requests of 4084 bytes: 8,601,600,000 bytes, beyond 32 bits.
  PingStatistics s = Planned(2100000);
  s.PacketSize = 4084;
  s.FinishSweep();
  EXPECT_EQ("BytesPerSecond 2048.00", Report(s)[11]);
  // The extremes of both fields stay finite and keep their sign.
  s = Planned(2147483647);
  s.PacketSize = 2147483647;
  s.FinishSweep();
  EXPECT_TRUE(std::isfinite(s.BytesPerSecond) && s.BytesPerSecond > 0);
  s = Planned(-2147483647 - 1);
  s.PacketSize = 2147483647;
  s.FinishSweep();
  EXPECT_TRUE(std::isfinite(s.BytesPerSecond) && s.BytesPerSecond < 0);
}

TEST_F(PingStatisticsTest, AnswersUnderOneMillisecondCountAsOne) {
  PingStatistics s = Planned(4);
  for (int i = 0; i < 4; ++i) s.RecordReply(0);
  s.FinishSweep();
  EXPECT_EQ(1.0f, s.SumTime);
  EXPECT_EQ(0.25f, s.AvgTime);
  EXPECT_EQ(4.0f * 1036, s.BytesPerSecond);
  EXPECT_EQ(0.0f, s.MinTime);
  EXPECT_EQ(0.0f, s.MaxTime);
}

TEST_F(PingStatisticsTest, MessagesJoinWithSingleBlanks) {
  PingStatistics s = Planned(7);
  s.AppendErrorText("sendto timed out");
  s.AppendErrorText("sendto timed out");
  s.AppendErrorText("recvfrom failed: 10054");
  EXPECT_EQ("ErrorText sendto timed out sendto timed out recvfrom failed: 10054", Report(s)[0]);
}

TEST_F(PingStatisticsTest, FreshRecordReportsItsSentinels) {
  PingStatistics s = Planned(7);
  s.ErrorCode = 8;
  s.AppendErrorText("Unable to resolve nowhere");
  EXPECT_EQ((std::vector<std::string>{"ErrorText Unable to resolve nowhere", "ErrorCode 8",
                                      "Packets 0", "PacketSize 1024", "TotalCount 7",
                                      "TimeoutCount 7", "MinTime 99999.00", "MaxTime -99999.00",
                                      "AvgTime 99999.00", "Timeout 2.00", "SumTime 0.00",
                                      "BytesPerSecond 0.00"}),
            Report(s));
}

TEST_F(PingStatisticsTest, FirstAnswerReplacesSentinelsUnlessSlowerThanThem) {
  PingStatistics s = Planned(2);
  s.RecordReply(100000);
  EXPECT_EQ(99999.0f, s.MinTime);
  EXPECT_EQ(100000.0f, s.MaxTime);
  s.RecordReply(100000);
  EXPECT_EQ(100000.0f, s.MaxTime);
  EXPECT_EQ(0, s.TimeoutCount);
}

}  // namespace
}  // namespace kestro
