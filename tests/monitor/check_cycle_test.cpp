// One pass from end to end, on fakes.
#include <gtest/gtest.h>

#include <cstring>

#include "monitor/monitor.h"
#include "fakes/fake_system.h"
#include "log/report_event.h"

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

// A TCP port is swept with connects, with the figures true for them; a value
// beyond the ports is said once an hour and swept with echo requests.
TEST_F(CheckCycleTest, ProbePortSweepsWithConnectsOrSaysWhyNot) {
  sys.registry.SetDword(kKey, "PingDelay", 0);
  sys.registry.SetDword(kKey, "NumberOfPingSweeps", 3);
  sys.registry.SetDword(kKey, "ProbePort", 8530);
  app->CheckCycle();  // three connects, each timed out
  EXPECT_EQ(std::vector<int>(3, 8530), sys.sockets.connectPorts);
  EXPECT_EQ(0, sys.plan.Count("sendto"));
  auto lines = sys.LogMessages();
  for (const char* line : {"PacketSize 0", "BytesPerSecond 0.00", "ProbePort 8530"})
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), line)) << line;
  sys.registry.SetDword(kKey, "ProbePort", 65536);
  sys.files.contents.clear();
  for (int pass = 0; pass < 2; ++pass) app->CheckCycle();
  lines = sys.LogMessages();
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(),
                          "ProbePort 65536 is above 65535: the sweep sends echo requests"));
  EXPECT_EQ(6u, sys.sockets.sent.size());
}

TEST_F(CheckCycleTest, StopAfterAndStartAfterConfirmAChangeBeforeTheSlotActsOnIt) {
  // G: a sweep within the limits, B: a failed one. StopAfter1 3, StartAfter1 2.
  const struct {
    const char* name;
    const char* sweeps;
    const char* words;  // what the slot's command was run with, one letter a pass; '.': not run
    std::vector<std::string> lines;
    const char* commands;  // Command1 at each pass: c c.exe, r r.exe, . unset
    const char* observe = "";  // 'O': Observe is set for that pass
    const char* events = "";   // EventOnChange set: its entries, '+' start, '-' stop
    std::string lastEvent = "";
  } rows[] = {
      {"events: one a change, the first pass's included", "GBBBGGG", "+++--++",
       {"1 of 3 before stopping", "2 of 3 before stopping", "1 of 2 before starting"}, "ccccccc", "", "+-+",
       "Slot 1 changed to start: service (none), command c.exe  CommandLine:  start; "
       "TimeoutCount 0, AvgTime 2.00; PingTimeOut1 1, PingResponse1 20"},
      {"observe: counted, logged, not run; cleared: the next pass acts", "GBBBGB", "....--",
       {"1 of 3 before stopping", "2 of 3 before stopping", "1 of 2 before starting"}, "cccccc", "OOOO",
       "+-",
       "Slot 1 changed to stop: service (none), command c.exe  CommandLine:  stop; "
       "TimeoutCount 7, AvgTime 99999.00; PingTimeOut1 1, PingResponse1 20; Observe: nothing was done"},
      {"stop confirmed, then start", "GBBBGG", "+++--+",
       {"1 of 3 before stopping", "2 of 3 before stopping", "1 of 2 before starting"}, "cccccc"},
      {"stop dismissed", "GBBGB", "+++++",
       {"1 of 3 before stopping", "2 of 3 before stopping", "1 of 3 before stopping"}, "ccccc"},
      // An unused or renamed slot starts afresh, whatever it counted before.
      {"unused at the first pass", "BG", ".+", {}, ".c"},
      {"unused meanwhile", "GBBBG", "+++.+", {"1 of 3 before stopping", "2 of 3 before stopping"},
       "ccc.c"},
      {"command changed", "GBBB", "++--", {"1 of 3 before stopping"}, "ccrr"},
      {"first pass acts on its own verdict", "BG", "--", {"1 of 2 before starting"}, "cc"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    app = std::make_unique<Monitor>();
    sys.registry.SetDword(kKey, "PingDelay", 0);
    sys.registry.SetDword(kKey, "StopAfter1", 3);
    sys.registry.SetDword(kKey, "StartAfter1", 2);
    sys.registry.SetDword(kKey, "EventOnChange", *row.events != 0);
    sys.files.contents.clear();
    const std::size_t entriesBefore = sys.eventLog.Entries().size();
    std::string words;
    for (std::size_t pass = 0; row.sweeps[pass] != 0; ++pass) {
      const char command = row.commands[pass];
      sys.registry.SetText(kKey, "Command1", command == 'r' ? "r.exe" : command == 'c' ? "c.exe" : "");
      if (row.sweeps[pass] == 'B') sys.plan.Fail("WSASocketA", sys.plan.Count("WSASocketA") + 1);
      sys.registry.SetDword(kKey, "Observe", pass < std::strlen(row.observe));
      const int created = sys.children.created;
      app->CheckCycle();
      words += sys.children.created == created        ? '.'
               : sys.children.commandLine == " start" ? '+'
                                                      : '-';
    }
    EXPECT_EQ(row.words, words);
    std::vector<std::string> lines;
    int observed = 0;
    for (const std::string& line : sys.LogMessages()) {
      if (line.rfind("Slot 1: the sweep ", 0) == 0) lines.push_back(line.substr(line.find(", ") + 2));
      observed += line.rfind("Observe: slot 1 would run c.exe  CommandLine:  ", 0) == 0;
    }
    EXPECT_EQ(row.lines, lines);
    EXPECT_EQ(std::strlen(row.observe), static_cast<std::size_t>(observed));
    std::string events;
    const auto entries = sys.eventLog.Entries();
    for (std::size_t i = entriesBefore; i < entries.size(); ++i) {
      EXPECT_EQ(958u, entries[i].eventId);
      events += entries[i].type == kEventInformation ? '+' : '-';
    }
    EXPECT_EQ(row.events, events);
    if (!row.lastEvent.empty()) {
      EXPECT_EQ(row.lastEvent, entries.back().strings.at(0));
    }
  }
  sys.registry.SetDword(kKey, "Observe", 0);
  // The status line names the pending change beside the word acted on.
  EXPECT_EQ("staging: 7 of 7 answered, AvgTime 2.00; slot 1 stop (start 1 of 2), slot 2 start, "
            "slot 3 start",
            app->Verdict);
}

}  // namespace
}  // namespace kestro
