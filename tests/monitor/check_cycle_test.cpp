// One pass from end to end, on fakes.
#include <gtest/gtest.h>

#include "monitor/monitor.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeService;
using testing::FakeSystem;

const char kKey[] = "SOFTWARE\\Morvane\\Kestro";

class CheckCycleTest : public ::testing::Test {
 protected:
  CheckCycleTest() {
    sys.Install();
    sys.environment.variables["OXLROOT"] = "/agent";
    sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
    sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
    sys.sockets.answerAfterMs = 2;
    for (const char* name : {"one", "two", "three", "renamed"}) {
      FakeService s;
      s.displayName = name;
      sys.services.services[name] = s;
    }
    app = std::make_unique<Monitor>();
  }
  FakeSystem sys;
  std::unique_ptr<Monitor> app;
};

TEST_F(CheckCycleTest, PassRunsInOrderAndStampsItsEnd) {
  sys.registry.SetDword(kKey, "PingDelay", 3);
  sys.registry.SetDword(kKey, "NumberOfPingSweeps", 2);
  sys.registry.SetDword(kKey, "PingPacketSize", 32);
  sys.registry.SetText(kKey, "Service1", "one");
  sys.registry.SetText(kKey, "Service2", "two");
  sys.registry.SetText(kKey, "Service3", "three");
  sys.files.contents.clear();
  const std::uint64_t sleptBefore = sys.clock.sleptMs;
  EXPECT_EQ(0, app->CheckCycle());
  EXPECT_EQ(2u, sys.sockets.sent.size());
  EXPECT_EQ(44u, sys.sockets.sent[0].size());
  EXPECT_EQ(std::make_pair(2, 0), sys.sockets.waits[0]);
  // Delay, two pauses after the requests, the service waits.
  EXPECT_GE(sys.clock.sleptMs - sleptBefore, 5000u);
  std::vector<std::string> slots;
  for (const std::string& line : sys.LogMessages())
    if (line.rfind("Starting service", 0) == 0) slots.push_back(line);
  EXPECT_EQ((std::vector<std::string>{"Starting service one ...", "Starting service two ...",
                                      "Starting service three ..."}),
            slots);
  EXPECT_EQ(sys.clock.UnixTime(), app->Supervisor.LastPassTime);
}

TEST_F(CheckCycleTest, NoStagingServerEndsThePassWithTwo) {
  sys.sharedFile.files.clear();
  sys.registry.SetText(kKey, "Command1", "c.exe");
  EXPECT_EQ(2, app->CheckCycle());
  EXPECT_EQ(0, app->Supervisor.LastPassTime);
  EXPECT_EQ(0, sys.sockets.startups);
  EXPECT_EQ(0, sys.children.created);
  ASSERT_EQ(1u, sys.eventLog.Entries().size());
  EXPECT_EQ("Quillmesh STAGINGSERVER isn't defined.", sys.eventLog.Entries()[0].strings[0]);
  EXPECT_EQ("Quillmesh STAGINGSERVER isn't defined.", app->Verdict);
  for (const std::string& line : sys.LogMessages()) EXPECT_EQ(std::string::npos, line.find("ErrorCode"));
}

TEST_F(CheckCycleTest, DelayIsFormedInUnsigned32Bits) {
  sys.registry.SetDword(kKey, "PingDelay", 4294968);  // x 1000 wraps to 704
  sys.registry.SetDword(kKey, "NumberOfPingSweeps", 0);
  sys.plan.ClearCalls();
  app->CheckCycle();
  EXPECT_EQ(704u, sys.clock.sleptMs);
}

TEST_F(CheckCycleTest, SettingsAreReadAgainAtEveryPass) {
  sys.registry.SetDword(kKey, "PingDelay", 0);
  sys.registry.SetText(kKey, "Service2", "two");
  app->CheckCycle();
  sys.registry.SetText(kKey, "Service2", "renamed");
  sys.files.contents.clear();
  app->CheckCycle();
  const auto lines = sys.LogMessages();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "Starting service renamed ..."));
  EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), "Starting service two ..."));
}

TEST_F(CheckCycleTest, FailedSweepStopsEverySlot) {
  sys.registry.SetDword(kKey, "PingDelay", 0);
  sys.registry.SetText(kKey, "Command1", "c.exe");
  sys.registry.SetText(kKey, "Command3", "d.exe");
  sys.plan.Fail("WSASocketA");
  EXPECT_EQ(0, app->CheckCycle());
  const auto lines = sys.LogMessages();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "ErrorCode 4"));
  EXPECT_EQ(" stop", sys.children.commandLine);
  EXPECT_EQ(2, sys.children.created);
  EXPECT_EQ("staging: sweep failed, ErrorCode 4; slot 1 stop, slot 2 stop, slot 3 stop", app->Verdict);
}

}  // namespace
}  // namespace kestro
