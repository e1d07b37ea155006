#include "monitor/supervisor.h"

#include "log/report_event.h"
#include "log/write_log.h"
#include "monitor/last_address_change.h"
#include "monitor/monitor.h"
#include "platform/wait_result.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// Where the address-change wait is refused, the table is compared this often.
constexpr std::uint32_t kAddressPollMs = 2000;
constexpr std::size_t kErrorTextSize = 254;

// A supervisor message: standard error, then the event log.
void Tell(SupervisorState& state, const std::string& text, std::uint16_t type) {
  state.Message = text;
  Os().console->Write(Stream::Error, text + "\n");
  Os().console->Flush(Stream::Error);
  ReportToEventLog(text, type);
}

void NoteAddressChange() {
  WriteLog("Network address table change!");
  LastAddressChange = Os().clock->UnixTime();
  ++AddressChangeCount;
}

// Waiting for a change failed: watch the table by comparing snapshots, so
// that a real change is still noted and a failing wait never spins.
[[noreturn]] void PollAddressTable() {
  AddressWatcher& watcher = *Os().addresses;
  std::string last;
  bool known = watcher.Snapshot(&last);
  for (;;) {
    Os().clock->SleepMs(kAddressPollMs);
    std::string now;
    if (!watcher.Snapshot(&now)) continue;
    if (known && now != last) NoteAddressChange();
    last = now;
    known = true;
  }
}

void KeepWatcherAlive(SupervisorState& state) {
  Threads& threads = *Os().threads;
  state.LastExitCode = threads.ExitCode(state.ProcessingThread);
  if (state.LastExitCode == kStillActive) return;

  Tell(state, "Restarting processing thread.", kEventInformation);
  if (!threads.Create(WatchAddressChanges, &state.ReplacementThread, &state.ProcessingThreadId)) {
    Tell(state, "Replacement thread could not be started", kEventWarning);
    Os().process->Exit(1);
  }
  if (!threads.Terminate(state.ProcessingThread, 0)) {
    const std::string error = Os().lastError->EnglishMessage(Os().lastError->Get(), kErrorTextSize);
    Tell(state, "Error stopping thread, the error is \"" + error + "\".", kEventWarning);
    Os().process->Exit(1);
  }
  // The ended thread's handle goes with it; kept, one would leak at every
  // replacement.
  threads.Close(state.ProcessingThread);
  state.ProcessingThread = state.ReplacementThread;
}

// Asks the schedule whether a due pass may begin; a hold that begins here
// is told once, with `why` the pass is due.
bool MayBegin(Monitor& monitor, bool spread, const std::string& why) {
  PassSchedule& schedule = monitor.Supervisor.Schedule;
  const bool held = schedule.Holding();
  if (schedule.MayBegin(spread, monitor.Settings.PassSplay)) return true;
  if (!held) monitor.NoteHold(why);
  return false;
}

}  // namespace

void SupervisorTick(Monitor& monitor) {
  SupervisorState& state = monitor.Supervisor;
  if (state.FirstTick) {
    if (!Os().threads->Create(WatchAddressChanges, &state.ProcessingThread,
                              &state.ProcessingThreadId)) {
      Os().console->Write(Stream::Output, "Could not create thread\n");
      Os().console->Flush(Stream::Output);
      Os().process->Exit(1);
    }
    state.FirstTick = false;
  }
  KeepWatcherAlive(state);

  // Both tests are strict, in signed 32-bit seconds.
  PassSchedule& schedule = state.Schedule;
  const std::int32_t now = Os().clock->UnixTime();
  if (static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                static_cast<std::uint32_t>(state.LastPassTime)) > schedule.Interval() &&
      MayBegin(monitor, !schedule.Recheck(),
               state.LastPassTime == 0 ? "the program has started"
                                       : "the last pass ended more than " +
                                             std::to_string(schedule.Interval()) + " seconds ago"))
    monitor.CheckCycle();
  if (state.LastPassTime < LastAddressChange.load() &&
      MayBegin(monitor, true, "the address table changed"))
    monitor.CheckCycle();
}

void WatchAddressChanges() {
  for (;;) {
    if (!Os().addresses->WaitForChange()) PollAddressTable();
    NoteAddressChange();
  }
}

void RunDirectTickLoop(Monitor& monitor) {
  for (;;) {
    SupervisorTick(monitor);
    Os().clock->SleepMs(1000);
  }
}

}  // namespace kestro
