// One whole pass with every platform call failing in turn.
#include "fakes/fault_sweep.h"
#include "monitor/monitor.h"

namespace kestro {
namespace {

using namespace testing;

const char kKey[] = "SOFTWARE\\Morvane\\Kestro";
const char kProm[] = "/var/lib/kestro/kestro.prom";
// In the order the pass reads them.
const char* const kNumbers[] = {"PingPacketSize", "PingResponse1", "PingResponse2", "PingResponse3",
                                "PingTimeOut1",   "PingTimeOut2",  "PingTimeOut3",  "PingDelay",
                                "NumberOfPingSweeps"};
const char* const kTexts[] = {"Service1", "Service2", "Service3", "Command1", "Command2",
                              "Command3", "Argument1", "Argument2", "Argument3"};

// Slot 1 a service, slot 2 a command, slot 3 both; every setting present.
std::function<Expected()> SetUpPass(FakeSystem& sys) {
  const std::uint32_t numbers[] = {32, 20, 20, 20, 1, 1, 1, 1, 2};
  const char* const texts[] = {"one", "", "three", "", "/bin/c2", "/bin/c3", "a1", "a2", "a3"};
  for (int i = 0; i < 9; ++i) {
    sys.registry.SetDword(kKey, kNumbers[i], numbers[i]);
    sys.registry.SetText(kKey, kTexts[i], texts[i]);
  }
  sys.registry.SetText(kKey, "LogDir", "/var/log/kestro");
  sys.registry.SetText(kKey, "MetricsFile", kProm);
  sys.environment.variables["OXLROOT"] = "/agent";
  sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  sys.sharedFile.chunk = 13;  // the third read holds the end of the host name
  sys.sockets.names["staging"] = Ipv4(192, 0, 2, 7);
  sys.sockets.answerAfterMs = 2;
  sys.children.runMs = 1500;
  for (const char* name : {"one", "three"}) {
    FakeService s;
    s.displayName = std::string(name) == "one" ? "One Svc" : "Three Svc";
    sys.services.services[name] = s;
  }
  auto monitor = std::make_shared<Monitor>();
  return [monitor, &sys] {
    const int result = monitor->CheckCycle();
    const bool stamped = monitor->Supervisor.LastPassTime != 0;
    // What the metrics file says of each slot's action, "none" without one.
    const std::string prom = sys.files.contents.count(kProm) ? sys.files.contents.at(kProm) : "";
    const std::string name = "kestro_slot_action_succeeded{";
    std::string succeeded;
    for (auto at = prom.find(name); at != std::string::npos; at = prom.find(name, at + 1))
      succeeded += prom[prom.find("} ", at) + 2];
    return Expected{"result:" + std::to_string(result), stamped ? "stamped:yes" : "stamped:no",
                    "succeeded:" + (succeeded.empty() ? "none" : succeeded),
                    sys.files.contents.count(std::string(kProm) + ".tmp") ? "temp:left" : "temp:gone"};
  };
}

const Expected kStarted = {"result:0", "stamped:yes",
                           "log:ErrorCode 0",
                           "log:Starting service one ...",
                           "log:Done with starting service one",
                           "log:Executing command /bin/c2  CommandLine: a2 start",
                           "log:Starting service three ...",
                           "log:Done with starting service three",
                           "log:Executing command /bin/c3  CommandLine: a3 start"};

// A failed sweep: its message in the log and the statistics, every slot stopped.
Expected Stopped(int code, const std::string& message) {
  return {"result:0", "stamped:yes", "log:" + message, "log:ErrorText " + message,
          "log:ErrorCode " + std::to_string(code),
          "log:Stopping service one ...", "log:Service One Svc is already stopped",
          "log:Done with stopping service one",
          "log:Executing command /bin/c2  CommandLine: a2 stop",
          "log:Done with stopping service three",
          "log:Executing command /bin/c3  CommandLine: a3 stop"};
}

Oracle PassOracle() {
  Oracle o;
  o.otherwise = kStarted + Expected{"out:\nOne Svc started.\n", "out:\nThree Svc started.\n",
                                    "succeeded:111", "temp:gone"};
  for (int i = 0; i < 18; ++i)
    o.byCall["RegQueryValueExA#" + std::to_string(i + 1)] =
        o.otherwise + Expected{std::string("log:Could not read SOFTWARE\\Morvane\\Kestro\\") +
                               (i < 9 ? kNumbers[i] : kTexts[i - 9])};
  o.byCall["OpenForReading"] = {"result:2", "stamped:no",
                                "event:Quillmesh STAGINGSERVER isn't defined.", "!log:ErrorCode 0"};
  // A read that fails ends the file there; a line it cut short is dropped.
  // The fourth read finds the end of the file after the key's whole line.
  o.byCall["ReadFile"] = o.byCall["OpenForReading"] +
      Expected{"log:Could not retrieve Staging server from /agent/OXL/CONF/OXL.CNF"};
  o.byCall["ReadFile#4"] = o.otherwise;
  o.byCall["WSAStartup"] = Stopped(2, "WSAStartup failed: 10091");
  o.byCall["WSASocketA"] = Stopped(4, "WSASocket() failed: 10013");
  o.byCall["gethostbyname"] = Stopped(8, "Unable to resolve staging");
  o.byCall["HeapAlloc"] = Stopped(16, "HeapAlloc failed 8");
  o.byCall["sendto"] = Stopped(32, "sendto failed: 10051");
  o.byCall["recvfrom"] = Stopped(64, "recvfrom failed: 10054");
  // A lost line may be any of the pass's; the pass goes on.
  o.byCall["OpenLockFile"] = {
      "result:0", "stamped:yes",
      "event:The file '/var/log/kestro/Kestro.lck' was not opened. Error: Permission denied"};
  o.byCall["AppendFile"] = {"result:0", "stamped:yes",
                            "err:Can't open file \"/var/log/kestro/Kestro-2.txt\".\n"};
  const std::string slots[] = {"one", "three"};
  const std::string displays[] = {"One Svc", "Three Svc"};
  for (int s = 0; s < 2; ++s) {
    const std::string k = "#" + std::to_string(s + 1);
    const Expected failed = {"out:\n" + displays[s] + " failed to start.\n",
                             "log:Error starting service " + slots[s]};
    // "Done with" in the log, as ever; the metrics tell that nothing was done.
    const std::string undone = s == 0 ? "succeeded:011" : "succeeded:110";
    o.byCall["OpenSCManagerA" + k] = kStarted + Expected{"!out:" + displays[s] + " started", undone};
    o.byCall["GetServiceDisplayNameA" + k] = kStarted + Expected{"out:\n" + slots[s] + " started.\n"};
    // A command whose end was not seen (slot 2's, then 3's) did not succeed.
    for (int n : {4 * s + 1, 4 * s + 2})
      o.byCall["GetExitCodeProcess#" + std::to_string(n)] = kStarted + Expected{s == 0 ? "succeeded:101" : "succeeded:110"};
    o.byCall["OpenServiceA" + k] =
        kStarted + Expected{"log:Service " + slots[s] + " couldn't be opened.", undone};
    o.byCall["StartServiceA" + k] = failed;
    // The first query of a slot, then the two of its wait for the start.
    o.byCall["QueryServiceStatus#" + std::to_string(3 * s + 1)] =
        Expected{"log:Service " + displays[s] + ": Could not query service.",
                 "log:Error starting service " + slots[s]};
    o.byCall["QueryServiceStatus#" + std::to_string(3 * s + 2)] = failed;
    o.byCall["QueryServiceStatus#" + std::to_string(3 * s + 3)] = failed;
  }
  // The metrics file not written: one line, the last figures kept, no
  // temporary file left behind.
  for (const auto& [call, text] : {std::pair<const char*, const char*>{"CreateFileA", "Access is denied. (0x5)"},
                                   {"WriteFile", "There is not enough space on the disk. (0x70)"},
                                   {"MoveFileExA", "Access is denied. (0x5)"}})
    o.byCall[call] = kStarted + Expected{"log:Could not write metrics file " + std::string(kProm) + " - " + text,
                                         "succeeded:none", "temp:gone"};
  o.byCall["CreateProcessA"] = kStarted + Expected{
      "log:Error creating process The system cannot find the file specified. (0x2)!"};
  return o;
}

TEST(CheckCycleSweep, EveryFailedCallEndsAsDesigned) {
  const int runs = SweepCalls(SetUpPass, PassOracle());
  EXPECT_GT(runs, 200);
}

// The same pass to a staging server with IPv6 addresses only.
TEST(CheckCycleSweep, EveryFailedCallOnTheIpv6PathEndsAsDesigned) {
  Oracle o = PassOracle();
  o.byCall["gethostbyname"] = o.otherwise;
  o.byCall["getaddrinfo"] = Stopped(8, "Unable to resolve staging");
  const auto ipv6Only = [](FakeSystem& sys) {
    auto run = SetUpPass(sys);
    sys.sockets.names.clear();
    sys.sockets.names6["staging"] = Ipv6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 7});
    return run;
  };
  EXPECT_GT(SweepCalls(ipv6Only, o), 200);
}

}  // namespace
}  // namespace kestro
