// When passes run, and the watcher thread kept alive, on the fake clock.
#include <gtest/gtest.h>

#include "monitor/monitor.h"
#include "fakes/fake_system.h"
#include "log/report_event.h"
#include "monitor/last_address_change.h"
#include "monitor/supervisor.h"

namespace kestro {
namespace {

using testing::FakeSystem;
using testing::ProcessExit;

const char kAgentFile[] = "/agent/OXL/CONF/OXL.CNF";

class SupervisorTest : public ::testing::Test {
 protected:
  SupervisorTest() {
    sys.Install();
    sys.environment.variables["OXLROOT"] = "/agent";
    sys.sharedFile.files[kAgentFile] = "[PEERHOSTS]\nOXLUILSR=staging\n";
    sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
    sys.sockets.answerAfterMs = 2;
    sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PingDelay", 0);
    app = std::make_unique<Monitor>();
  }
  // Passes so far: each completed one writes one "ErrorCode" report line.
  int Passes() { return sys.plan.Count("WSAStartup"); }
  int Attempts() { return sys.sharedFile.lastPath.empty() ? 0 : sys.plan.Count("OpenForReading"); }
  // One tick, then the driver's pause.
  void Tick() {
    SupervisorTick(*app);
    sys.clock.SleepMs(1000);
  }
  int Code(std::function<void()> f) {
    try {
      f();
    } catch (const ProcessExit& e) {
      return e.code;
    }
    return -1;
  }

  FakeSystem sys;
  std::unique_ptr<Monitor> app;
};

TEST_F(SupervisorTest, FirstTickStartsTheWatcherAndRunsExactlyOnePass) {
  Tick();
  EXPECT_EQ(1, sys.plan.Count("CreateThread"));
  EXPECT_EQ(1, Passes());
  EXPECT_EQ(sys.clock.UnixTime() - 1, app->Supervisor.LastPassTime);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(1, Passes());
  EXPECT_EQ(1, sys.plan.Count("CreateThread"));
}

TEST_F(SupervisorTest, HourlyPassIsStrict) {
  // PassInterval as set, and the interval it puts in force.
  const std::pair<std::int64_t, std::int64_t> rows[] = {
      {-1, 3600}, {0, 3600}, {300, 300}, {30, 60}, {100000, 86400}};
  for (const auto& row : rows) {
    if (row.first >= 0) sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PassInterval", row.first);
    app = std::make_unique<Monitor>();
    const int before = Passes();
    Tick();
    const std::int32_t end = app->Supervisor.LastPassTime;
    sys.clock.unixMs = (end + row.second) * 1000;
    SupervisorTick(*app);
    EXPECT_EQ(before + 1, Passes()) << row.first;  // exactly the interval: not yet
    sys.clock.unixMs += 1000;
    SupervisorTick(*app);
    EXPECT_EQ(before + 2, Passes()) << row.first;
  }
}

TEST_F(SupervisorTest, WithoutAStagingServerEveryTickMakesTwoAttemptsButSaysSoOnceAnHour) {
  sys.sharedFile.files.clear();
  sys.registry.SetText("SOFTWARE\\Morvane\\Kestro", "MetricsFile", "/m/kestro.prom");
  const auto entries = [this] { return sys.eventLog.Entries().size(); };
  // The attempts' lines: the first ones, then hourly or when they change.
  const std::string retrieve = "Could not retrieve Staging server from /agent/OXL/CONF/OXL.CNF";
  const auto written = [&] { auto l = sys.LogMessages(); return std::count(l.begin(), l.end(), retrieve); };
  Tick();
  Tick();
  EXPECT_EQ(1, written());
  EXPECT_EQ(4, sys.plan.Count("OpenForReading"));
  EXPECT_EQ(0, Passes());
  EXPECT_EQ(0, app->Supervisor.LastPassTime);
  ASSERT_EQ(1u, entries());
  EXPECT_EQ(kEventError, sys.eventLog.Entries()[0].type);
  EXPECT_EQ(std::vector<std::string>{"Quillmesh STAGINGSERVER isn't defined."},
            sys.eventLog.Entries()[0].strings);
  EXPECT_EQ(1, sys.plan.Count("MoveFileExA"));
  // A tick a minute for an hour: one more entry at its end, the metrics
  // file at every one of them.
  for (int i = 0; i < 60; ++i) {
    sys.clock.Advance(59 * 1000);
    Tick();
  }
  EXPECT_EQ(124, sys.plan.Count("OpenForReading"));
  EXPECT_EQ(2u, entries());
  EXPECT_EQ(2, written());
  EXPECT_EQ(61, sys.plan.Count("MoveFileExA"));
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PingPacketSize", 32);  // changed lines: at once
  Tick();
  EXPECT_EQ(3, written());
  // Defined, then gone again: said at once.
  sys.sharedFile.files[kAgentFile] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  Tick();
  EXPECT_EQ(1, Passes());
  sys.sharedFile.files.clear();
  LastAddressChange = app->Supervisor.LastPassTime + 1;
  Tick();
  EXPECT_EQ(3u, entries());
  EXPECT_EQ(4, written());
}

TEST_F(SupervisorTest, AddressChangesStartOnePassAtTheNextTick) {
  Tick();
  // Stamped in the second the pass ended: no pass.
  LastAddressChange = app->Supervisor.LastPassTime;
  Tick();
  EXPECT_EQ(1, Passes());
  // Several changes, one second or more later: one pass.
  LastAddressChange = app->Supervisor.LastPassTime + 1;
  LastAddressChange = app->Supervisor.LastPassTime + 2;
  Tick();
  EXPECT_EQ(2, Passes());
  Tick();
  EXPECT_EQ(2, Passes());
}

TEST_F(SupervisorTest, ClockSetBackStopsHourlyPassesButNotChanges) {
  Tick();
  sys.clock.unixMs -= 2 * 3600 * 1000;
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(1, Passes());
  LastAddressChange = app->Supervisor.LastPassTime - 10;  // older than the pass
  Tick();
  EXPECT_EQ(1, Passes());
  LastAddressChange = app->Supervisor.LastPassTime + 1;
  Tick();
  EXPECT_EQ(2, Passes());
}

TEST_F(SupervisorTest, PassSplayHoldsEachPassWhileTheTicksGoOn) {
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PassSplay", 30);
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PassInterval", 300);
  sys.registry.SetText("SOFTWARE\\Morvane\\Kestro", "MetricsFile", "/m/kestro.prom");
  app = std::make_unique<Monitor>();
  sys.random.next = 20;  // draws 30 of 0 to 30
  for (int i = 0; i < 30; ++i) Tick();
  EXPECT_EQ(0, Passes());
  Tick();  // 30 s after the first tick
  EXPECT_EQ(1, Passes());
  // An address change: held again, for a wait drawn anew.
  LastAddressChange = app->Supervisor.LastPassTime + 1;
  for (int i = 0; i < 31 && Passes() == 1; ++i) Tick();
  EXPECT_EQ(2, Passes());
  // The timed pass after PassInterval too, said in the status line and the metrics file.
  sys.clock.unixMs = (app->Supervisor.LastPassTime + 301) * 1000LL;
  Tick();
  EXPECT_EQ(app->HoldLine, app->StatusLine());
  const std::string held = "\nkestro_pass_held_until_timestamp_seconds " +
                           std::to_string(app->Supervisor.Schedule.HeldUntil()) + "\n";
  EXPECT_NE(std::string::npos, sys.files.contents["/m/kestro.prom"].find(held));
  for (int i = 0; i < 31 && Passes() == 2; ++i) Tick();
  EXPECT_EQ(3, Passes());
  // Each hold is said once, with what made the pass due.
  std::vector<std::string> holds;
  for (const std::string& line : sys.LogMessages())
    if (line.rfind("Pass held back ", 0) == 0) holds.push_back(line.substr(15));
  EXPECT_EQ((std::vector<std::string>{
                "30 seconds by PassSplay 30: the program has started",
                "26 seconds by PassSplay 30: the address table changed",
                "22 seconds by PassSplay 30: the last pass ended more than 300 seconds ago"}),
            holds);
}

TEST_F(SupervisorTest, RecheckDelayBringsTheNextPassCloserWhileASlotIsStopped) {
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "RecheckDelay", 60);
  sys.registry.SetDword("SOFTWARE\\Morvane\\Kestro", "PassSplay", 600);  // not for a recheck
  sys.registry.SetText("SOFTWARE\\Morvane\\Kestro", "Command1", "c.exe");
  sys.plan.Fail("WSASocketA");
  Tick();
  const std::int32_t firstEnd = app->Supervisor.LastPassTime;
  while (Passes() == 1 && sys.clock.UnixTime() - firstEnd < 200) Tick();
  // Due 60 s after the stop plus up to 30, strictly after, as the hourly test.
  EXPECT_GT(app->Supervisor.LastPassTime - firstEnd, 60);
  EXPECT_LE(app->Supervisor.LastPassTime - firstEnd, 92);
  for (int i = 0; i < 600; ++i) Tick();  // started again: hourly
  EXPECT_EQ(2, Passes());
}

TEST_F(SupervisorTest, EndedWatcherIsReplaced) {
  Tick();
  const ThreadHandle first = app->Supervisor.ProcessingThread;
  sys.threads.running[first] = false;
  Tick();
  EXPECT_EQ("Restarting processing thread.\n", sys.console.err);
  EXPECT_EQ(kEventInformation, sys.eventLog.Entries().back().type);
  EXPECT_EQ("Restarting processing thread.", sys.eventLog.Entries().back().strings[0]);
  EXPECT_NE(first, app->Supervisor.ProcessingThread);
  EXPECT_EQ(1, sys.threads.Alive());
  // The new thread is made before the old one is ended.
  const auto calls = sys.plan.Calls();
  const auto created = std::find(calls.rbegin(), calls.rend(), "CreateThread");
  const auto terminated = std::find(calls.rbegin(), calls.rend(), "TerminateThread");
  EXPECT_LT(terminated, created);
}

TEST_F(SupervisorTest, EveryReplacedWatchersHandleIsClosed) {
  Tick();
  for (int i = 0; i < 3; ++i) {
    const ThreadHandle old = app->Supervisor.ProcessingThread;
    sys.threads.running[old] = false;
    sys.plan.ClearCalls();
    Tick();
    EXPECT_EQ(1u, sys.threads.closed.count(old));
    // Closed once it is terminated, never the new one.
    const auto calls = sys.plan.Calls();
    const auto terminated = std::find(calls.begin(), calls.end(), "TerminateThread");
    EXPECT_LT(terminated, std::find(calls.begin(), calls.end(), "CloseHandle(thread)"));
  }
  EXPECT_EQ(0u, sys.threads.closed.count(app->Supervisor.ProcessingThread));
  EXPECT_EQ(1, sys.threads.OpenHandles());
}

TEST_F(SupervisorTest, ThreadFailuresEndTheProcess) {
  sys.plan.Fail("CreateThread");
  EXPECT_EQ(1, Code([&] { SupervisorTick(*app); }));
  EXPECT_EQ("Could not create thread\n", sys.console.out);
  EXPECT_TRUE(sys.eventLog.Entries().empty());
}

TEST_F(SupervisorTest, ReplacementFailuresEndTheProcess) {
  Tick();
  sys.threads.running[app->Supervisor.ProcessingThread] = false;
  sys.plan.Fail("CreateThread", 2);
  EXPECT_EQ(1, Code([&] { SupervisorTick(*app); }));
  EXPECT_EQ("Restarting processing thread.\nReplacement thread could not be started\n", sys.console.err);
  EXPECT_EQ(kEventWarning, sys.eventLog.Entries().back().type);
}

TEST_F(SupervisorTest, TerminationFailureEndsTheProcessWithTheSystemText) {
  Tick();
  sys.threads.running[app->Supervisor.ProcessingThread] = false;
  sys.plan.Fail("TerminateThread");
  sys.lastError.code = 6;
  sys.lastError.messages[6] = "The handle is invalid.\r\n";
  EXPECT_EQ(1, Code([&] { SupervisorTick(*app); }));
  EXPECT_EQ("Error stopping thread, the error is \"The handle is invalid.\r\n\".",
            sys.eventLog.Entries().back().strings[0]);
}

TEST(WatchAddressChanges, EachChangeIsLoggedAndStamped) {
  FakeSystem sys;
  sys.Install();
  sys.addresses.waits = {true, true};
  LastAddressChange = 0;
  EXPECT_THROW(WatchAddressChanges(), testing::FakeAddressWatcher::Exhausted);
  EXPECT_EQ(sys.clock.UnixTime(), LastAddressChange.load());
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  EXPECT_EQ(2, std::count(log.begin(), log.end(), '\n'));
  EXPECT_NE(std::string::npos, log.find(": Network address table change!\r\n"));
}

TEST(WatchAddressChanges, RefusedWaitFallsBackToComparingTheTable) {
  FakeSystem sys;
  sys.Install();
  sys.addresses.waits = {false};
  sys.addresses.tables = {"a", "a", "a", "a b", "a b"};
  LastAddressChange = 0;
  EXPECT_THROW(WatchAddressChanges(), testing::FakeAddressWatcher::Exhausted);
  const std::string log = sys.files.contents["/var/log/kestro/Kestro-2.txt"];
  EXPECT_EQ(1, std::count(log.begin(), log.end(), '\n'));  // one change, no flood
  EXPECT_NE(0, LastAddressChange.load());
  EXPECT_EQ(5, sys.clock.sleeps);  // a pause before each comparison: no busy loop
  EXPECT_EQ(1, sys.plan.Count("NotifyAddrChange"));
}

}  // namespace
}  // namespace kestro
