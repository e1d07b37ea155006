// "-check" on fakes: one finding a line, the exit code, and nothing touched.
#include <gtest/gtest.h>

#include <functional>

#include "app/check_mode.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeSystem;

const char kKey[] = "SOFTWARE\\Morvane\\Kestro";
const std::string kKey32 = testing::FakeRegistry::kView32 + std::string(kKey);
const char kPolicy[] = "SOFTWARE\\Policies\\Morvane\\Kestro";
const char kAgent[] = "/agent/OXL/CONF/OXL.CNF";

// Everything in order: every value set, a host that resolves, a known service.
void Mended(FakeSystem& sys) {
  for (const char* name : {"PingPacketSize", "PingResponse1", "PingResponse2", "PingResponse3",
                           "PingTimeOut1", "PingTimeOut2", "PingTimeOut3", "PingDelay",
                           "NumberOfPingSweeps"})
    sys.registry.SetDword(kKey, name, 1);
  for (const char* name : {"Service2", "Service3", "Command1", "Command3", "Argument1",
                           "Argument2", "Argument3"})
    sys.registry.SetText(kKey, name, "");
  sys.registry.SetText(kKey, "Service1", "one");
  sys.registry.SetText(kKey, "Command2", "/bin/cmd");
  sys.services.services["one"].displayName = "One";
  sys.environment.variables["OXLROOT"] = "/agent";
  sys.sharedFile.files[kAgent] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
  sys.lastError.messages[2] = "No such file or directory";
}

struct Row {
  const char* name;
  std::function<void(FakeSystem&)> breakIt;
  int code;
  const char* line;  // one line the output must hold
};

const Row kRows[] = {
    {"in order", [](FakeSystem&) {}, 0, "Check passed: a pass has everything it needs.\n"},
    // Judged for the service's account, whoever runs -check.
    {"account assumed", [](FakeSystem&) {}, 0, "\nSlot commands are judged for the service's account, root\nSlot 1:"},
    // Not set is at its default, as a fresh installation leaves it: no finding.
    {"no key", [](FakeSystem& s) { s.registry.RemoveKey(kKey); s.lastError.code = 2; }, 0,
     "The settings key SOFTWARE\\Morvane\\Kestro was not found: every setting is at its default\n"},
    {"settings refused", [](FakeSystem& s) { s.registry.refusal = "The settings file \"f\" is a FIFO"; },
     16, "The settings file \"f\" is a FIFO\n"},
    {"value missing", [](FakeSystem& s) { s.registry.RemoveValue(kKey, "PingDelay"); }, 0,
     "SOFTWARE\\Morvane\\Kestro\\PingDelay is not set: its default 5 is used\n"},
    // 64-bit Windows: each value from the 64-bit view, else from the 32-bit one.
    {"value in the 32-bit view",
     [](FakeSystem& s) {
       s.registry.views = true;
       s.registry.RemoveValue(kKey, "PingDelay");
       s.registry.SetDword(kKey32, "PingDelay", 1);
     },
     0, "\nSettings from the 32-bit view: PingDelay\n"},
    {"64-bit view first",
     [](FakeSystem& s) {
       s.registry.views = true;
       s.registry.SetText(kKey32, "Service1", "x");
     },
     0, "\nSlot 1: service \"one\" is known\n"},
    {"64-bit view refused",
     [](FakeSystem& s) {
       s.registry.views = true;
       s.registry.SetText(kKey32, "Service1", "one");
       s.plan.Fail("RegOpenKeyExA", 1, false, 5);
       s.lastError.messages[5] = "Access is denied.";
     },
     16, "The settings key SOFTWARE\\Morvane\\Kestro could not be read: Access is denied. (0x5)\n"},
    {"wrong type", [](FakeSystem& s) { s.registry.SetDword(kKey, "Command2", 3); }, 16,
     "Command2: not a REG_SZ, or longer than 253 characters, \"\" is used\n"},
    {"number outside its range", [](FakeSystem& s) { s.registry.SetDword(kKey, "PingTimeOut3", 5000); },
     16, "SOFTWARE\\Morvane\\Kestro\\PingTimeOut3 is 5000, outside 0 to 1000: it is used as it is\n"},
    {"optional value of the wrong type", [](FakeSystem& s) { s.registry.SetText(kKey, "StopAfter2", "3"); },
     16, "StopAfter2: not a REG_DWORD, 1 is used\n"},
    {"confirmation without a recheck",
     [](FakeSystem& s) {
       s.registry.SetDword(kKey, "PassSplay", 120);
       s.registry.SetDword(kKey, "StopAfter1", 3);
     },
     0, "Passes: PassSplay 120, RecheckDelay 0, StopAfter 3 1 1, StartAfter 1 1 1\n"
        "Warning: StopAfter or StartAfter is above 1 while RecheckDelay is 0: a change is "
        "confirmed only by the hourly passes, hours later\n"},
    {"observing, a change an event, passes every minute",
     [](FakeSystem& s) {
       s.registry.SetDword(kKey, "Observe", 1);
       s.registry.SetDword(kKey, "EventOnChange", 1);
       s.registry.SetDword(kKey, "PassInterval", 5);
     },
     0, "Observe: every pass sweeps, judges and counts, but starts and stops no service and runs "
        "no command; the log says what it would do\nEventOnChange: an event entry (ID 958) "
        "whenever a slot changes its word\nPasses: PassSplay 0, RecheckDelay 0, StopAfter 1 1 1, "
        "StartAfter 1 1 1, PassInterval 60\n"},
    // A policy: its values win, and the check tells where each came from.
    {"policy value", [](FakeSystem& s) { s.registry.SetDword(kPolicy, "PingDelay", 7); }, 0,
     "Settings from the policy key SOFTWARE\\Policies\\Morvane\\Kestro: PingDelay\n"},
    {"policy value of the wrong type", [](FakeSystem& s) { s.registry.SetText(kPolicy, "PingDelay", "7"); },
     16, "Could not read SOFTWARE\\Policies\\Morvane\\Kestro\\PingDelay: not a REG_DWORD, 1 is used\n"},
    {"policy refused", [](FakeSystem& s) { s.registry.policyRefusal = "The settings file \"p\" is a FIFO"; },
     16, "The settings file \"p\" is a FIFO\n"},
    {"policy without the own key",
     [](FakeSystem& s) {
       s.registry.RemoveKey(kKey);
       s.registry.SetText(kPolicy, "Service1", "one");
       s.lastError.code = 2;
     },
     0, "Settings from the policy key SOFTWARE\\Policies\\Morvane\\Kestro: Service1\n"},
    {"probe port", [](FakeSystem& s) { s.registry.SetDword(kKey, "ProbePort", 8530); }, 0,
     "\nProbe: TCP connect to port 8530 of the staging server\n"},
    {"probe port beyond the ports", [](FakeSystem& s) { s.registry.SetDword(kKey, "ProbePort", 65536); },
     16, "\nProbePort 65536 is above 65535: the sweep sends echo requests\n"},
    {"agent refused", [](FakeSystem& s) { s.sharedFile.refused[kAgent] = "is a symbolic link"; }, 32,
     "\nThe agent file \"/agent/OXL/CONF/OXL.CNF\" is a symbolic link and was not read\n"},
    {"no agent file", [](FakeSystem& s) { s.sharedFile.files.clear(); s.lastError.code = 2; }, 32,
     "\nCan't open file \"/agent/OXL/CONF/OXL.CNF\": No such file or directory (0x2)\n"},
    {"no host", [](FakeSystem& s) { s.sharedFile.files[kAgent] = "[OTHER]\nOXLUILSR=x\n"; }, 32,
     "\nCould not retrieve Staging server from /agent/OXL/CONF/OXL.CNF\n"},
    {"unresolved", [](FakeSystem& s) { s.sockets.names.clear(); }, 32, "\nUnable to resolve staging\n"},
    // Run by hand: OXLROOT from the service's own environment file, unless refused.
    {"agent folder from the service's file",
     [](FakeSystem& s) {
       s.environment.variables.erase("OXLROOT");
       s.environment.serviceFile = {"/etc/default/kestro", "", true, true, "/agent"};
     },
     0, "\nOXLROOT=/agent is taken from \"/etc/default/kestro\", as the service gets it\nStaging server: staging"},
    {"service's file refused",
     [](FakeSystem& s) {
       s.environment.variables.erase("OXLROOT");
       s.environment.serviceFile = {"/e", "belongs to user 1000", false, false, ""};
     },
     32, "\nThe environment file \"/e\" belongs to user 1000 and was not read: OXLROOT is not set\n"},
    {"log folder", [](FakeSystem& s) { s.files.folderProblems["/var/log/kestro"] = "\"x\" is a symbolic link"; },
     64, "\nLog folder: \"x\" is a symbolic link\n"},
    {"metrics folder",
     [](FakeSystem& s) {
       s.registry.SetText(kKey, "MetricsFile", "/m/k.prom");
       s.files.folderProblems["/m"] = "\"/m\" does not exist";
     },
     64, "\nMetrics file folder: \"/m\" does not exist\n"},
    {"metrics file in the root", [](FakeSystem& s) { s.registry.SetText(kKey, "MetricsFile", "/k.prom"); },
     0, "\nMetrics file folder: \"/\" is usable\n"},
    {"log file the writer narrows",
     [](FakeSystem& s) { s.files.folderNotes["/var/log/kestro"] = {"\"x\" may be written or deleted by S-1-5-11: y"}; },
     0, "\nLog folder: \"x\" may be written or deleted by S-1-5-11: y\n"},
    {"unknown service", [](FakeSystem& s) { s.registry.SetText(kKey, "Service1", "a\nb\x7f"); }, 128,
     "\nSlot 1: service \"a\\x0ab\\x7f\" is unknown\n"},
    {"look-up refused",
     [](FakeSystem& s) {
       s.services.lookUpError = 5;
       s.lastError.code = 5;
       s.lastError.messages[5] = "Access is denied.";
     },
     128, "\nSlot 1: service \"one\" could not be looked up: Access is denied. (0x5)\n"},
    {"command", [](FakeSystem& s) { s.children.runProblems["/bin/cmd"] = "may not be run: denied"; }, 128,
     "\nSlot 2: command \"/bin/cmd\" may not be run: denied\n"},
    {"command others may change",
     [](FakeSystem& s) { s.children.trustProblems["/bin/cmd"] = "may be written by others than its owner"; }, 128,
     "\nSlot 2: command \"/bin/cmd\" may be written by others than its owner\n"},
};

TEST(CheckModeTest, EachFindingIsOneLineAndCountsInItsPart) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    FakeSystem sys;
    sys.Install();
    Mended(sys);
    row.breakIt(sys);
    const char* argv[] = {"kestro", "-check", nullptr};
    EXPECT_EQ(row.code, RunCheckMode(argv));
    EXPECT_NE(std::string::npos, sys.console.out.find(row.line)) << sys.console.out;
    EXPECT_EQ(row.code != 0,
              sys.console.out.find("(exit code " + std::to_string(row.code) + "): ") != std::string::npos);
    // Nothing written, sent, started or left open.
    EXPECT_TRUE(sys.files.contents.empty());
    EXPECT_TRUE(sys.eventLog.Entries().empty());
    EXPECT_TRUE(sys.sockets.sent.empty());
    EXPECT_EQ(1, sys.services.services["one"].states.size());
    EXPECT_EQ(0, sys.children.created);
    EXPECT_TRUE(sys.OpenResources().empty());
  }
}

TEST(CheckModeTest, AWordAfterCheckIsAnInvalidArgument) {
  FakeSystem sys;
  sys.Install();
  const char* argv[] = {"kestro", "-check", "-direct", nullptr};
  EXPECT_EQ(99, RunCheckMode(argv));
  EXPECT_EQ(std::string::npos, sys.console.err.find("-check"));
  EXPECT_NE(std::string::npos, sys.console.err.find("Parse-Error: Invalid argument \"-direct\"\n"));
  EXPECT_TRUE(sys.console.out.empty());
}

}  // namespace
}  // namespace kestro
