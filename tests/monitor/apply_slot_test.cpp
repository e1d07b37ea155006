// Judging a sweep against a slot's limits, and what a slot does with the verdict.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "monitor/judge_sweep.h"
#include "monitor/monitor.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeService;
using testing::FakeSystem;

PingStatistics Sweep(int timeouts, float avg, int error = 0) {
  PingStatistics s;
  s.TotalCount = 7;
  s.TimeoutCount = timeouts;
  s.AvgTime = avg;
  s.ErrorCode = error;
  return s;
}

TEST(JudgeSweep, Boundaries) {
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(1, 20.0f), 1, 20.0f));  // equal is healthy
  EXPECT_EQ(TooManyTimeouts, JudgeSweep(Sweep(2, 20.0f), 1, 20.0f));
  EXPECT_EQ(TooSlow, JudgeSweep(Sweep(0, 20.01f), 1, 20.0f));
  EXPECT_EQ(ProbeFailed, JudgeSweep(Sweep(0, 1.0f, 8), 0, 0.0f));
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(7, 1e9f), 0, 0.0f));  // both limits off
  // No answer at all: TimeoutCount 7, AvgTime 2.0.
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(7, 2.0f), 0, 20.0f));
  EXPECT_EQ(TooSlow, JudgeSweep(Sweep(7, 2.0f), 0, 1.0f));
  EXPECT_EQ(TooManyTimeouts, JudgeSweep(Sweep(7, 2.0f), 1, 20.0f));
  // Zero requests: an infinite mean.
  EXPECT_EQ(TooSlow, JudgeSweep(Sweep(0, std::numeric_limits<float>::infinity()), 1, 20.0f));
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(0, std::numeric_limits<float>::infinity()), 1, 0.0f));
  // A negative count is a very large unsigned one.
  EXPECT_EQ(TooManyTimeouts, JudgeSweep(Sweep(-1, 1.0f), 0xFFFFFFFEu, 20.0f));
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(-1, 1.0f), 0, 20.0f));
  EXPECT_EQ(TooSlow, JudgeSweep(Sweep(0, std::nanf("")), 1, 20.0f));
  // The limit in single precision: 16777217 becomes 16777216.
  EXPECT_EQ(Healthy, JudgeSweep(Sweep(0, 16777216.0f), 1, static_cast<float>(16777217u)));
}

class ApplySlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeService svc;
    svc.displayName = "Agent Helper";
    sys.services.services["helper"] = svc;
  }
  FakeSystem sys;
  struct Installer {
    explicit Installer(FakeSystem& s) { s.Install(); }
  } installer{sys};
  Monitor app;
};

TEST_F(ApplySlotTest, HealthyStartsTheServiceThenRunsTheCommand) {
  EXPECT_TRUE(app.ApplySlot(1, 20, "helper", "C:\\c.exe", "c.exe", Sweep(0, 3.0f)));
  EXPECT_EQ((std::vector<std::string>{"Starting service helper ...", "Done with starting service helper",
                                      "Executing command C:\\c.exe  CommandLine: c.exe start"}),
            sys.LogMessages());
}

TEST_F(ApplySlotTest, UnhealthyStopsAndRunsWithStop) {
  sys.services.services["helper"].states = {kServiceRunning};
  app.ApplySlot(1, 20, "helper", "C:\\c.exe", "c.exe", Sweep(0, 1.0f, 4));
  EXPECT_EQ((std::vector<std::string>{"Stopping service helper ...", "Done with stopping service helper",
                                      "Executing command C:\\c.exe  CommandLine: c.exe stop"}),
            sys.LogMessages());
}

TEST_F(ApplySlotTest, FailedServiceActionStillRunsTheCommand) {
  sys.services.services["helper"].acceptStart = false;
  EXPECT_FALSE(app.ApplySlot(1, 20, "helper", "C:\\c.exe", "", Sweep(0, 3.0f)));
  EXPECT_EQ((std::vector<std::string>{"Starting service helper ...", "Error starting service helper",
                                      "Executing command C:\\c.exe  CommandLine:  start"}),
            sys.LogMessages());
}

TEST_F(ApplySlotTest, EmptyPartsAreSkipped) {
  EXPECT_TRUE(app.ApplySlot(1, 20, "", "", "", Sweep(0, 3.0f)));
  EXPECT_TRUE(sys.LogMessages().empty());
  EXPECT_EQ(0, sys.plan.Count("OpenSCManagerA"));
  sys.children.exitCode = 3;  // a command that ends with another code fails the slot
  EXPECT_FALSE(app.ApplySlot(1, 20, "", "C:\\c.exe", "c", Sweep(5, 3.0f)));
  EXPECT_EQ((std::vector<std::string>{"Executing command C:\\c.exe  CommandLine: c stop",
                                      "Error number 3 : "}),
            sys.LogMessages());
  sys.files.contents.clear();
  app.ApplySlot(1, 20, "helper", "", "", Sweep(0, 3.0f));
  EXPECT_EQ(2u, sys.LogMessages().size());
  EXPECT_EQ(1, sys.children.created);  // only the command of the earlier call
  // A name of blanks is not empty. A service that cannot be opened is
  // "Done with" in the log, but the slot did not do what it asked.
  sys.files.contents.clear();
  EXPECT_FALSE(app.ApplySlot(1, 20, " ", "", "", Sweep(0, 3.0f)));
  EXPECT_EQ((std::vector<std::string>{"Starting service   ...", "Service   couldn't be opened.",
                                      "Done with starting service  "}),
            sys.LogMessages());
  sys.plan.Fail("OpenSCManagerA", 1, true);
  EXPECT_FALSE(app.ApplySlot(1, 20, "helper", "", "", Sweep(5, 3.0f)));
}

}  // namespace
}  // namespace kestro
