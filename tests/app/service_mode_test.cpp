// The service's life as the service manager sees it: status reports, stop
// requests and failures.
#include <gtest/gtest.h>

#include "app/service_mode.h"
#include "fakes/fake_system.h"
#include "log/report_event.h"

namespace kestro {
namespace {

using testing::FakeSystem;
using testing::ProcessExit;

struct Report {
  std::uint32_t state, checkPoint, waitHint, controls, exitCode;
  bool operator==(const Report& o) const {
    return state == o.state && checkPoint == o.checkPoint && waitHint == o.waitHint &&
           controls == o.controls && exitCode == o.exitCode;
  }
};
std::ostream& operator<<(std::ostream& out, const Report& r) {
  return out << "{" << r.state << " cp" << r.checkPoint << " hint" << r.waitHint << " ctl"
             << r.controls << " exit" << r.exitCode << "}";
}

class ServiceHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    ResetServiceMode();
  }
  // Runs service mode to its end; the exit code of the process.
  int Run() {
    try {
      RunServiceMode();
    } catch (const ProcessExit& e) {
      return e.code;
    }
    return -1;
  }
  std::vector<Report> Reports() {
    std::vector<Report> out;
    for (const auto& r : sys.serviceHost.reports) {
      EXPECT_EQ(0x10u, r.serviceType);
      out.push_back({r.currentState, r.checkPoint, r.waitHint, r.controlsAccepted, r.win32ExitCode});
    }
    return out;
  }
  std::vector<std::string> EventTexts() {
    std::vector<std::string> texts;
    for (const auto& e : sys.eventLog.Entries()) texts.push_back(e.strings[0]);
    return texts;
  }
  void StopAtWait(int n) {
    sys.serviceHost.onWait = [this, n](int wait) {
      if (wait == n) sys.serviceHost.handler(kControlStop);
    };
  }
  FakeSystem sys;
};

TEST_F(ServiceHostTest, StartAndStopReportTheStatusSequence) {
  StopAtWait(1);
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<Report>{{2, 1, 3000, 0, 0},
                                 {2, 2, 3000, 0, 0},
                                 {2, 3, 3000, 0, 0},
                                 {2, 4, 3000, 0, 0},
                                 {4, 0, 0, 1, 0},
                                 {3, 5, 0, 1, 0},
                                 {3, 6, 10000, 1, 0},
                                 {1, 0, 0, 1, 0}}),
            Reports());
  const std::vector<std::string> texts = EventTexts();
  EXPECT_EQ("Service was started, starting main loop. version 2001.02.03.4", texts.front());
  EXPECT_EQ("Quit on service stop request. version 2001.02.03.4", texts.back());
  EXPECT_EQ(0, sys.serviceHost.eventsOpen);
}

TEST_F(ServiceHostTest, InterrogationReReportsRunningWithoutMovingTheCounter) {
  sys.serviceHost.onWait = [this](int wait) {
    if (wait == 1) sys.serviceHost.handler(4);  // interrogate
    if (wait == 2) sys.serviceHost.handler(kControlStop);
  };
  EXPECT_EQ(0, Run());
  const auto reports = Reports();
  ASSERT_EQ(9u, reports.size());
  EXPECT_EQ((Report{4, 0, 0, 1, 0}), reports[5]);
  EXPECT_EQ((Report{3, 5, 0, 1, 0}), reports[6]);
}

TEST_F(ServiceHostTest, StopDuringAPassIsHonouredAfterThePass) {
  // The stop arrives while the first tick's pass is waiting its PingDelay.
  sys.environment.variables["OXLROOT"] = "/agent";
  sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
  sys.sockets.answerAfterMs = 1;
  struct StoppingClock : testing::FakeClock {
    using FakeClock::FakeClock;
    testing::FakeServiceHost* host = nullptr;
    void SleepMs(std::uint32_t ms) override {
      FakeClock::SleepMs(ms);
      if (ms == 5000 && host->handler) host->handler(kControlStop);
    }
  } clock(sys.plan);
  clock.host = &sys.serviceHost;
  Platform table = sys.Table();
  table.clock = &clock;
  SetPlatform(table);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(1, sys.serviceHost.waits);  // the wait saw the event at once
  // Both stop-pending reports come before the sweep; the quit entry after the report.
  const auto calls = sys.plan.Calls();
  const auto firstSend = std::find(calls.begin(), calls.end(), "sendto");
  EXPECT_EQ(7, std::count(calls.begin(), firstSend, "SetServiceStatus"));
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  EXPECT_NE(std::string::npos, log.find("BytesPerSecond"));
  EXPECT_EQ("Quit on service stop request. version 2001.02.03.4", EventTexts().back());
}

TEST_F(ServiceHostTest, StopDuringThePassSplayWaitIsHonouredAtOnceAndNothingActs) {
  sys.environment.variables["OXLROOT"] = "/agent";
  sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PassSplay", 600);
  sys.registry.SetText("SOFTWARE\\Morvane\\Kestro", "Command1", "c.exe");
  sys.random.next = 1;  // a wait of 66 s
  StopAtWait(3);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(3, sys.serviceHost.waits);  // the tick after the request ends the service
  EXPECT_EQ(0, sys.sockets.startups + sys.children.created);
}

TEST_F(ServiceHostTest, StopBeforeTheStopEventExistsEndsTheStart) {
  // systemd may send its stop at any time: here before there is an event
  // to signal. The start ends without ever reporting running.
  sys.serviceHost.onCreateEvent = [this] { sys.serviceHost.handler(kControlStop); };
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<Report>{{2, 1, 3000, 0, 0},
                                 {2, 2, 3000, 0, 0},
                                 {3, 3, 0, 1, 0},
                                 {3, 4, 10000, 1, 0},
                                 {1, 0, 0, 1, 0}}),
            Reports());
  EXPECT_EQ(0, sys.serviceHost.waits);
  EXPECT_TRUE(sys.eventLog.Entries().empty());
  EXPECT_EQ(0, sys.serviceHost.eventsOpen);
}

TEST_F(ServiceHostTest, StatusTextIsTheVerdictSentOnceItChanges) {
  // No staging server: every tick tries a pass, each with the same verdict.
  StopAtWait(3);
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<std::string>{"Quillmesh STAGINGSERVER isn't defined."}),
            sys.serviceHost.statusTexts);
}

TEST_F(ServiceHostTest, FailingStatusReportDuringTheStartStopsTheService) {
  sys.plan.Fail("SetServiceStatus", 2, false, 0);
  sys.lastError.code = 6;
  EXPECT_EQ(0, Run());
  const auto entries = sys.eventLog.Entries();
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(kEventError, entries[0].type);
  EXPECT_EQ(0, entries[0].category);
  EXPECT_EQ(0u, entries[0].eventId);
  EXPECT_EQ((std::vector<std::string>{"Kestro error: 6", "SetServiceStatus"}), entries[0].strings);
  const auto reports = Reports();
  EXPECT_EQ((Report{1, 0, 0, 1, 6}), reports.back());
  EXPECT_EQ(0, sys.plan.Count("CreateEventA"));
}

TEST_F(ServiceHostTest, MissingStopEventEndsTheWorkerBeforeRunning) {
  sys.plan.Fail("CreateEventA");
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(sys.eventLog.Entries().empty());
  EXPECT_EQ((Report{1, 0, 0, 1, 0}), Reports().back());
}

TEST_F(ServiceHostTest, FailingWaitKeepsTheTickPace) {
  sys.serviceHost.failingWaits = 3;
  StopAtWait(4);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(3, sys.clock.sleeps);  // a second's pause for each failed wait
}

TEST_F(ServiceHostTest, HandlerRegistrationFailureReportsNothing) {
  sys.plan.Fail("RegisterServiceCtrlHandlerA");
  EXPECT_EQ(0, Run());
  EXPECT_TRUE(sys.serviceHost.reports.empty());
}

TEST_F(ServiceHostTest, DispatcherFailureIsExitCodeEight) {
  sys.serviceHost.dispatch = false;
  EXPECT_EQ(8, Run());
  EXPECT_EQ("StartServiceCtrlDispatcher failed.\n", sys.console.out);
  EXPECT_TRUE(sys.files.contents.empty());
  EXPECT_TRUE(sys.eventLog.Entries().empty());
}

}  // namespace
}  // namespace kestro
