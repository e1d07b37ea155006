// The service's start and stop, through the dispatcher, with every platform
// call failing in turn.
#include "app/service_mode.h"
#include "fakes/fault_sweep.h"

namespace kestro {
namespace {

using namespace testing;

// The process's exit code and the states reported, with the exit code of
// the last report: "states:2 2 1/6".
Expected RunService(FakeSystem& sys) {
  std::string result;
  try {
    RunServiceMode();
    result = "result:returned";
  } catch (const ProcessExit& e) {
    result = "result:" + std::to_string(e.code);
  }
  std::string states = "states:";
  for (const ServiceStatusRecord& r : sys.serviceHost.reports)
    states += (states.size() > 7 ? " " : "") + std::to_string(r.currentState);
  if (!sys.serviceHost.reports.empty())
    states += "/" + std::to_string(sys.serviceHost.reports.back().win32ExitCode);
  return {result, states};
}

TEST(ServiceModeSweep, EveryFailedCallEndsAsDesigned) {
  const std::string started = "event:Service was started, starting main loop. version 2003.12.09.0";
  const std::string quit = "event:Quit on service stop request. version 2003.12.09.0";
  const std::string statusError = "event:Kestro error: 6|SetServiceStatus";
  Oracle o;
  // The watcher thread is never stopped: it ends with the process.
  o.otherwise = {"result:0", "states:2 2 2 2 4 3 3 1/0", started, quit, "open:thread",
                 "!" + statusError};
  o.byCall["StartServiceCtrlDispatcherA"] = {"result:8", "states:",
                                             "out:StartServiceCtrlDispatcher failed.\n"};
  o.byCall["RegisterServiceCtrlHandlerA"] = {"result:0", "states:", "!" + started};
  // A failed start report ends the start; the final report carries the error.
  const char* const startFailed[] = {"1/6", "2 1/6", "2 2 1/6", "2 2 2 1/6", "2 2 2 2 1/6"};
  for (int k = 1; k <= 5; ++k)
    o.byCall["SetServiceStatus#" + std::to_string(k)] = {
        "result:0", std::string("states:") + startFailed[k - 1], statusError, "!" + started};
  for (int k = 6; k <= 7; ++k)
    o.byCall["SetServiceStatus#" + std::to_string(k)] = {
        "result:0", "states:2 2 2 2 4 3 1/6", statusError, started, quit, "open:thread"};
  o.byCall["SetServiceStatus#8"] = {"result:0", "states:2 2 2 2 4 3 3/0", statusError, started,
                                    quit, "open:thread"};
  o.byCall["CreateEventA"] = {"result:0", "states:2 2 1/0", "!" + started};
  // The first tick cannot start the watcher: the process ends there.
  o.byCall["CreateThread"] = {"result:1", "states:2 2 2 2 4/0", "out:Could not create thread\n",
                              started, "!" + quit, "open:stop event"};
  // An entry lost with its source or its report, or written without the
  // version; the service goes on.
  const std::string bare[] = {"event:Service was started, starting main loop. version ",
                              "event:Quit on service stop request. version "};
  for (int k = 0; k < 2; ++k) {
    const Expected kept = {"result:0", "states:2 2 2 2 4 3 3 1/0", "open:thread", k ? started : quit};
    const std::string lost = "!" + (k ? quit : started);
    // The entries of the start, the first pass without a staging server (the
    // second in the same tick says nothing), the stop.
    const std::string entry = k ? "#3" : "#1";
    for (const char* call : {"RegisterEventSourceA", "ReportEventA"}) o.byCall[call + entry] = kept + Expected{lost};
    for (const char* call : {"GetModuleFileNameA", "GetFileVersionInfoSizeA", "GetFileVersionInfoA",
                             "VerQueryValueA"})
      o.byCall[call + std::string(k ? "#2" : "#1")] = kept + Expected{lost, bare[k]};
  }
  const int runs = SweepCalls(
      [](FakeSystem& sys) {
        ResetServiceMode();
        // The stop request comes at the first wait of the worker.
        sys.serviceHost.onWait = [&sys](int) {
          if (!sys.serviceHost.eventSet) sys.serviceHost.handler(kControlStop);
        };
        return [&sys] { return RunService(sys); };
      },
      o);
  EXPECT_GT(runs, 20);
}

}  // namespace
}  // namespace kestro
