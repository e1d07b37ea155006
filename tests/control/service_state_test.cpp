// Bringing a service to running or stopped: every outcome of the return-code
// table, its message on the right channel, and every handle closed.
#include <gtest/gtest.h>

#include "control/service_state.h"
#include "fakes/fake_system.h"
#include "platform/posix/systemd_units.h"

namespace kestro {
namespace {

using testing::FakeService;
using testing::FakeSystem;

class ServiceStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.lastError.messages[1722] = "The RPC server is unavailable.\r\n";
    FakeService spooler;
    spooler.displayName = "Print Spooler";
    sys.services.services["Spooler"] = spooler;
  }
  void TearDown() override { EXPECT_EQ(0, sys.services.open); }
  const std::string text1722 = "The RPC server is unavailable. (0x6ba)";
  FakeService& Spooler() { return sys.services.services["Spooler"]; }
  FakeSystem sys;
};

TEST_F(ServiceStateTest, StartsAStoppedService) {
  EXPECT_EQ(0, SetServiceState("Spooler", '1'));
  EXPECT_EQ("Starting Print Spooler..\nPrint Spooler started.\n", sys.console.out);
  EXPECT_TRUE(sys.LogMessages().empty());
  EXPECT_EQ(2, sys.clock.sleeps);
}

TEST_F(ServiceStateTest, StopsARunningService) {
  Spooler().states = {kServiceRunning};
  EXPECT_EQ(0, SetServiceState("Spooler", '0'));
  EXPECT_EQ("Stopping Print Spooler..\nPrint Spooler stopped.\n", sys.console.out);
}

TEST_F(ServiceStateTest, AlreadyInTheWantedStateSendsNothing) {
  Spooler().states = {kServiceRunning};
  EXPECT_EQ(0, SetServiceState("Spooler", '1'));
  EXPECT_EQ(std::vector<std::string>{"Service Print Spooler is already running"}, sys.LogMessages());
  Spooler().states = {kServiceStopped};
  sys.files.contents.clear();
  EXPECT_EQ(0, SetServiceState("Spooler", '0'));
  EXPECT_EQ(std::vector<std::string>{"Service Print Spooler is already stopped"}, sys.LogMessages());
  EXPECT_EQ(0, sys.plan.Count("StartServiceA") + sys.plan.Count("ControlService"));
  // Stopped, but perhaps due to be restarted by the manager: that is cancelled.
  EXPECT_EQ(1, Spooler().restartsCancelled);
  EXPECT_EQ("", sys.console.out);
  // A cancel that fails is a stop that failed.
  sys.plan.Fail("CancelPendingRestart", 2);
  EXPECT_EQ(kServiceStopRefused, SetServiceState("Spooler", '0'));
  EXPECT_EQ("\nPrint Spooler failed to stop.\n", sys.console.out);
}

TEST_F(ServiceStateTest, MissingServiceIsNamedAsConfigured) {
  EXPECT_EQ(0, SetServiceState("NoSuchSvc", '1'));
  EXPECT_EQ(std::vector<std::string>{"Service NoSuchSvc couldn't be opened."}, sys.LogMessages());
}

TEST_F(ServiceStateTest, NoServiceManagerIsSuccessWithTheReasonLogged) {
  // A console without elevation: nothing to do, but the log says why.
  sys.plan.Fail("OpenSCManagerA");
  sys.lastError.code = 5;
  sys.lastError.messages[5] = "Access is denied.\r\n";
  EXPECT_EQ(0, SetServiceState("Spooler", '1'));
  EXPECT_EQ(std::vector<std::string>{"OpenSCManager failed - Access is denied. (0x5)"},
            sys.LogMessages());
  EXPECT_EQ("", sys.console.out);
  EXPECT_EQ(0, sys.plan.Count("CloseServiceHandle"));
}

TEST_F(ServiceStateTest, DisplayNameFallsBackToTheConfiguredName) {
  sys.plan.Fail("GetServiceDisplayNameA");
  Spooler().states = {kServiceRunning};
  EXPECT_EQ(0, SetServiceState("Spooler", '1'));
  EXPECT_EQ(std::vector<std::string>{"Service Spooler is already running"}, sys.LogMessages());
}

TEST_F(ServiceStateTest, FirstQueryFails) {
  sys.plan.Fail("QueryServiceStatus");
  EXPECT_EQ(1, SetServiceState("Spooler", '1'));
  EXPECT_EQ(std::vector<std::string>{"Service Print Spooler: Could not query service."}, sys.LogMessages());
}

// The waits log why they ended early, with the manager's text.
TEST_F(ServiceStateTest, PreWaitQueryFailureIsLoggedWithItsText) {
  Spooler().states = {kServiceStartPending};
  sys.plan.Fail("QueryServiceStatus", 2, false, 1722);
  EXPECT_EQ(2, SetServiceState("Spooler", '0'));
  EXPECT_EQ(std::vector<std::string>{"Service Print Spooler: Could not query service. " + text1722},
            sys.LogMessages());
}

TEST_F(ServiceStateTest, PendingServiceThatSettlesGetsTheRequest) {
  Spooler().states = {kServiceStartPending, kServiceStartPending, kServiceStartPending, kServiceRunning};
  EXPECT_EQ(0, SetServiceState("Spooler", '0'));
  EXPECT_EQ((std::vector<std::string>{"Waiting for service Print Spooler to reach STOP or START state ..."}),
            sys.LogMessages());
  EXPECT_EQ(1, sys.plan.Count("ControlService"));
}

TEST_F(ServiceStateTest, UnsettledThroughThePreWaitIs64) {
  for (std::uint32_t stuck : {kServiceStartPending, 7u /* paused */}) {
    Spooler().states = {stuck};
    Spooler().queries = 0;
    sys.files.contents.clear();
    const int sleepsBefore = sys.clock.sleeps;
    EXPECT_EQ(64, SetServiceState("Spooler", '0'));
    EXPECT_EQ(121, Spooler().queries);  // the first and 120 quick ones
    EXPECT_EQ(sleepsBefore, sys.clock.sleeps);  // no pause between them
    EXPECT_EQ((std::vector<std::string>{
                  "Waiting for service Print Spooler to reach STOP or START state ...",
                  "Service Print Spooler is not in state RUNNING nor in state STOPPED."}),
              sys.LogMessages());
  }
}

TEST_F(ServiceStateTest, SettledInTheWantedStateDuringThePreWaitIsRefused) {
  Spooler().states = {kServiceStopPending, kServiceStopped};
  EXPECT_EQ(8, SetServiceState("Spooler", '0'));
  EXPECT_EQ("\nPrint Spooler failed to stop.\n", sys.console.out);
  Spooler().states = {kServiceStartPending, kServiceRunning};
  sys.console.out.clear();
  EXPECT_EQ(32, SetServiceState("Spooler", '1'));
  EXPECT_EQ("\nPrint Spooler failed to start.\n", sys.console.out);
}

TEST_F(ServiceStateTest, StopOutlastingTheWaitGivesUpAfter120Dots) {
  Spooler().states = {kServiceRunning};
  Spooler().afterStop = {kServiceStopPending};
  EXPECT_EQ(4, SetServiceState("Spooler", '0'));
  EXPECT_EQ("Stopping Print Spooler." + std::string(120, '.') + "\nPrint Spooler failed to stop.\n",
            sys.console.out);
  EXPECT_EQ(121, sys.clock.sleeps);
}

TEST_F(ServiceStateTest, StartThatEndsInAnotherStateFails) {
  Spooler().afterStart = {kServiceStartPending, kServiceStopped};
  EXPECT_EQ(16, SetServiceState("Spooler", '1'));
  EXPECT_EQ("Starting Print Spooler..\nPrint Spooler failed to start.\n", sys.console.out);
}

TEST_F(ServiceStateTest, QueryFailingDuringTheWaitRestsOnTheLastState) {
  Spooler().afterStart = {kServiceStartPending};
  sys.plan.Fail("QueryServiceStatus", 2, false, 1722);  // the first query of the wait
  EXPECT_EQ(16, SetServiceState("Spooler", '1'));
  EXPECT_EQ("Starting Print Spooler.\nPrint Spooler failed to start.\n", sys.console.out);
  EXPECT_EQ(std::vector<std::string>{"Service Print Spooler: Could not query service. " + text1722},
            sys.LogMessages());
}

// A systemd unit that never leaves "activating" (a notify-type unit that
// never reports ready), as the posix service manager reports it.
TEST_F(ServiceStateTest, UnitStuckActivatingNeverSettles) {
  const std::uint32_t activating = ServiceStateOfUnit("activating", "start");
  Spooler().states = {activating};
  const std::uint64_t slept = sys.clock.sleptMs;
  EXPECT_EQ(kServiceUnsettled, SetServiceState("Spooler", '0'));
  EXPECT_EQ(sys.LogMessages(),
            (std::vector<std::string>{
                "Waiting for service Print Spooler to reach STOP or START state ...",
                "Service Print Spooler is not in state RUNNING nor in state STOPPED."}));
  EXPECT_EQ(slept, sys.clock.sleptMs);  // the pre-wait does not pause
  EXPECT_EQ("", sys.console.out);

  // Started, it stays activating: a dot a second for 120 s, then given up.
  Spooler().states = {kServiceStopped};
  Spooler().afterStart = {activating};
  sys.files.contents.clear();
  EXPECT_EQ(kServiceDidNotStart, SetServiceState("Spooler", '1'));
  EXPECT_EQ("Starting Print Spooler." + std::string(120, '.') + "\nPrint Spooler failed to start.\n",
            sys.console.out);
  EXPECT_EQ(slept + 121000u, sys.clock.sleptMs);
}

TEST_F(ServiceStateTest, OtherActionCharactersDoNothing) {
  EXPECT_EQ(0, SetServiceState("Spooler", 'x'));
  EXPECT_EQ(0, sys.plan.Count("StartServiceA") + sys.plan.Count("ControlService"));
}

TEST_F(ServiceStateTest, CallsInOrder) {
  SetServiceState("Spooler", '1');
  EXPECT_EQ((std::vector<std::string>{"OpenSCManagerA", "GetServiceDisplayNameA", "OpenServiceA",
                                      "QueryServiceStatus", "StartServiceA", "Sleep",
                                      "QueryServiceStatus", "Sleep", "QueryServiceStatus",
                                      "CloseServiceHandle", "CloseServiceHandle"}),
            sys.plan.Calls());
}

}  // namespace
}  // namespace kestro
