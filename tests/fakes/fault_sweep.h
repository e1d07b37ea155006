#pragma once
// The fault sweep: a scenario run on fresh fakes again and again, its first,
// second, third ... platform call failing in turn, until a run fails nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_system.h"

namespace kestro::testing {

// One error each platform call can really come back with; the sweep fails a
// call with its error and the fakes leave it as the thread's last error.
// Calls that cannot fail, or whose failure the caller cannot see, have 0.
inline const std::map<std::string, std::uint32_t> kCallErrors = {
    {"RegOpenKeyExA", 2},            {"RegQueryValueExA", 2},
    {"RegCloseKey", 6},              {"RegCreateKeyExA", 5},
    {"RegCreateKeyA", 5},            {"RegSetValueExA", 5},
    {"RegisterEventSourceA", 1722},  {"ReportEventA", 1502},
    {"DeregisterEventSource", 6},    {"OpenLockFile", 13},  // EACCES
    {"LockFile", 11},                {"UnlockFile", 9},     // EAGAIN, EBADF
    {"CloseLockFile", 9},            {"GetFileSize", 5},
    {"DeleteFile", 32},              {"MoveFile", 32},
    {"FindFirstFile", 5},
    {"CreateFileA", 5},              {"WriteFile", 112},            {"MoveFileExA", 5},
    {"AppendFile", 5},               {"GetLocalTime", 0},
    {"Sleep", 0},                    {"OpenForReading", 32},
    {"CloseFile", 6},                {"ReadFile", 33},                {"WSAStartup", 10091},
    {"WSASocketA", 10013},           {"gethostbyname", 11001},
    {"inet_addr", 0},                {"sendto", 10051},
    {"inet_ntoa", 0},                {"getaddrinfo", 11001},
    {"select", 10038},               {"recvfrom", 10054},
    {"closesocket", 10038},          {"WSACleanup", 10093},
    {"HeapAlloc", 8},                {"HeapFree", 87},
    {"OpenSCManagerA", 5},           {"GetServiceDisplayNameA", 122},
    {"OpenServiceA", 1060},          {"QueryServiceStatus", 6},
    {"StartServiceA", 1056},         {"ControlService", 1062},
    {"CloseServiceHandle", 6},       {"CreateServiceA", 1073},
    {"DeleteService", 1072},         {"LoadLibraryA", 126},
    {"GetProcAddress", 127},         {"ChangeServiceConfig2A", 5},
    {"CancelPendingRestart", 5},     {"DefinedElsewhere", 5},
    {"FreeLibrary", 6},              {"CreateProcessA", 2},
    {"GetExitCodeProcess", 6},       {"WaitForSingleObjectEx", 6},
    {"CloseHandle", 6},              {"GetModuleHandleA", 0},
    {"GetModuleFileNameA", 122},     {"GetFileVersionInfoSizeA", 1813},
    {"GetFileVersionInfoA", 1813},   {"VerQueryValueA", 1813},
    {"StartServiceCtrlDispatcherA", 1063}, {"RegisterServiceCtrlHandlerA", 1060},
    {"SetServiceStatus", 6},         {"CreateEventA", 8},
    {"SetEvent", 6},                 {"WaitForSingleObject", 6},
    {"CloseEvent", 6},               {"CreateThread", 8},
    {"GetExitCodeThread", 6},        {"TerminateThread", 5},
};

// The system's texts for the codes whose text a message shows.
inline void AddErrorTexts(FakeLastError& lastError) {
  lastError.messages = {
      {2, "The system cannot find the file specified.\r\n"},
      {5, "Access is denied.\r\n"},
      {112, "There is not enough space on the disk.\r\n"},
      {122, "The data area passed to a system call is too small.\r\n"},
      {1060, "The specified service does not exist as an installed service.\r\n"},
      {1072, "The specified service has been marked for deletion.\r\n"},
      {1073, "The specified service already exists.\r\n"},
  };
}

// What a run must show. Each item is "log:LINE" (a log line, exact),
// "event:S1|S2" (an event entry's strings), "out:TEXT" / "err:TEXT" (in
// standard output / error), "open:NAME" (one resource left open; without any,
// nothing may be), or "KEY:VALUE" (a fact the scenario reports). A leading
// "!" asks for the absence of a log line, an event or a text instead.
using Expected = std::vector<std::string>;

inline Expected operator+(Expected a, const Expected& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Outcomes by failed call: "NAME#K" for the Kth call of that name, else
// "NAME"; calls not listed end as `otherwise`.
struct Oracle {
  std::map<std::string, Expected> byCall;
  Expected otherwise;
};

// Sets the fakes up, then returns the scenario's run, which reports its
// facts ("result:0", ...). The set-up's own calls are not failed.
using Scenario = std::function<std::function<Expected()>(FakeSystem&)>;

inline void CheckOutcome(FakeSystem& sys, const Expected& facts, const Expected& expected) {
  const std::vector<std::string> log = sys.LogMessages();
  std::vector<std::string> events;
  for (const EventEntry& e : sys.eventLog.Entries()) {
    std::string joined;
    for (const std::string& s : e.strings) joined += (joined.empty() ? "" : "|") + s;
    events.push_back(joined);
  }
  std::vector<std::string> open;
  for (std::string item : expected) {
    const bool absent = item[0] == '!';
    if (absent) item.erase(0, 1);
    const std::string key = item.substr(0, item.find(':') + 1);
    const std::string value = item.substr(key.size());
    bool found;
    if (key == "log:") {
      found = std::count(log.begin(), log.end(), value) != 0;
    } else if (key == "event:") {
      found = std::count(events.begin(), events.end(), value) != 0;
    } else if (key == "out:" || key == "err:") {
      found = (key == "out:" ? sys.console.out : sys.console.err).find(value) != std::string::npos;
    } else if (key == "open:") {
      open.push_back(value);
      continue;
    } else {
      found = std::count(facts.begin(), facts.end(), item) != 0;
      if (!found) ADD_FAILURE() << "wanted " << item << ", facts: " << ::testing::PrintToString(facts);
      continue;
    }
    if (found == absent)
      ADD_FAILURE() << (absent ? "unwanted " : "missing ") << item << "\nlog: "
                    << ::testing::PrintToString(log) << "\nevents: " << ::testing::PrintToString(events)
                    << "\nout: " << sys.console.out << "\nerr: " << sys.console.err;
  }
  EXPECT_EQ(open, sys.OpenResources()) << "left open";
}

// Runs the sweep; returns the number of runs that failed a call.
inline int SweepCalls(const Scenario& scenario, const Oracle& oracle) {
  for (int n = 1;; ++n) {
    FakeSystem sys;
    sys.Install();
    AddErrorTexts(sys.lastError);
    std::function<Expected()> run = scenario(sys);
    sys.plan.ClearCalls();
    sys.plan.FailOverall(n, kCallErrors);
    const Expected facts = run();
    run = nullptr;  // releases what the scenario holds before the count
    if (!sys.plan.Injected()) {
      SCOPED_TRACE("undisturbed run");
      CheckOutcome(sys, facts, oracle.otherwise);
      return n - 1;
    }
    const std::string call = sys.plan.InjectedCall();
    const std::string nth = call + "#" + std::to_string(sys.plan.InjectedNth());
    SCOPED_TRACE("call " + std::to_string(n) + " failed: " + nth);
    EXPECT_EQ(1u, kCallErrors.count(call)) << "no error listed for " << call;
    auto entry = oracle.byCall.find(nth);
    if (entry == oracle.byCall.end()) entry = oracle.byCall.find(call);
    CheckOutcome(sys, facts, entry == oracle.byCall.end() ? oracle.otherwise : entry->second);
  }
}

}  // namespace kestro::testing
