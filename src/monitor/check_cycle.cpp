#include <algorithm>

#include "agentconf/agent_setting.h"
#include "log/report_event.h"
#include "log/write_log.h"
#include "monitor/monitor.h"
#include "monitor/verdict.h"
#include "platform/platform.h"
#include "probe/connect_sweep.h"
#include "probe/probe_host.h"

namespace kestro {
namespace {

// The port to connect to, or 0 for echo requests: a ProbePort that is no
// port is said, at most once an hour, and swept as if unset.
int SweptPort(std::uint32_t port, RepeatLimit& line) {
  const std::string problem = ProbePortProblem(port);
  if (problem.empty()) {
    line.Clear();
    return static_cast<int>(port);
  }
  if (line.Due(Os().clock->TickCount())) WriteLog(problem);
  return 0;
}

}  // namespace

int Monitor::CheckCycle() {
  PingStatistics stats;
  PassFigures figures;
  NoServerLines.Begin();
  LoadSettings();

  const std::string server = LocateStagingServer();
  NoServerLines.End(server.empty());
  if (server.empty()) {
    // Tried again at the next tick: the pass did not complete. Said once
    // an hour, not at every attempt: the event log is everyone's.
    const std::uint32_t now = Os().clock->TickCount();
    if (NoServerEntry.Due(now)) ReportToEventLog(kNoStagingServerVerdict, kEventError);
    Verdict = kNoStagingServerVerdict;
    if (NoServerMetrics.Due(now)) PublishMetrics(figures);
    else ++PassCount;  // counted all the same
    return 2;
  }
  NoServerEntry.Clear();
  NoServerMetrics.Clear();

  const int port = SweptPort(Settings.ProbePort, BadProbePortLine);
  Os().clock->SleepMs(Settings.PingDelay * 1000u);  // unsigned 32-bit, as configured
  if (port != 0) {
    ProbeConnect(stats, server, port, static_cast<int>(Settings.NumberOfPingSweeps), 2, 0);
  } else {
    ProbeHost(stats, server, static_cast<int>(Settings.PingPacketSize),
              static_cast<int>(Settings.NumberOfPingSweeps), 2, 0);
  }
  stats.WriteReport();

  // Each slot's verdict, judged once: what it does, what the figures and
  // the status line say.
  const SlotVerdicts verdicts = JudgeSlots(stats, Settings);
  SlotNotes notes;
  SlotConfirmation before[kSlotCount];
  std::copy(Confirmations, Confirmations + kSlotCount, before);
  const SlotVerdicts acted = ActOnSlots(verdicts, figures, notes);
  ReportSlotChanges(before, stats);

  Verdict = DescribeVerdict(server, stats, acted, notes);
  // Taken after the last slot: a change noted during the pass is covered by it.
  Supervisor.LastPassTime = Os().clock->UnixTime();
  Supervisor.Schedule.PassEnded(RecheckWanted(), Settings.RecheckDelay, Settings.PassInterval);
  figures.Swept = true;
  figures.Server = server;
  figures.Sweep = stats;
  PublishMetrics(figures);
  return 0;
}

}  // namespace kestro
