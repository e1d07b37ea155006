#include "control/run_command.h"

#include <map>
#include <vector>

#include "control/argument_files.h"
#include "log/last_error_text.h"
#include "log/repeat_limit.h"
#include "log/report_event.h"
#include "log/write_log.h"
#include "platform/lock.h"
#include "platform/platform.h"

namespace kestro {
namespace {
constexpr std::uint32_t kWaitMs = 1000;
constexpr int kQuietWaits = 5;  // a child that ends within these leaves no progress lines

// A program that others could change stays so pass after pass until an
// administrator acts: each pass logs it, the event log hears of it at the
// first refusal, when the reason changes and then at most once an hour.
struct Refusal {
  std::string why;
  RepeatLimit limit{60 * 60 * 1000};
};
Lock refusalsLock;
std::map<std::string, Refusal> refusals;  // by command

void ReportRefused(const std::string& command, const std::string& why) {
  const std::string text = "Command " + command + " was not run: it " + why;
  WriteLog(text);
  bool due = false;
  {
    LockGuard hold(refusalsLock);
    Refusal& refusal = refusals[command];
    if (refusal.why != why) {
      refusal.why = why;
      refusal.limit.Clear();
    }
    due = refusal.limit.Due(Os().clock->TickCount());
  }
  if (due) ReportToEventLog(text, kEventError);
}

void ClearRefused(const std::string& command) {
  LockGuard hold(refusalsLock);
  refusals.erase(command);
}

}  // namespace

std::uint32_t RunCommand(std::string command, std::string argument, int start) {
  // The program runs with this program's rights, and so do the files its
  // argument names, a script for its interpreter: one that someone else
  // could have changed or replaced is not run.
  // The program is judged last: on Windows its judgement holds it and its
  // folders until the process is created from it.
  ChildProcesses& children = *Os().children;
  std::vector<std::string> judged;
  for (const std::string& word : FullPathWords(argument)) {
    if (children.IsRegularFile(word)) judged.push_back(word);
  }
  judged.push_back(command);
  for (const std::string& file : judged) {
    const std::string distrust = children.TrustProblem(file);
    if (!distrust.empty()) {
      ReportRefused(file, distrust);
      return 1;
    }
  }
  for (const std::string& file : judged) ClearRefused(file);
  const std::string commandLine = ActionCommandLine(argument, start);
  WriteLog("Executing command " + command + "  CommandLine: " + commandLine);
  return RunChildProcess(command.c_str(), commandLine.c_str());
}

std::string ActionCommandLine(const std::string& argument, int start) {
  return argument + (start ? " start" : " stop");
}

std::uint32_t RunChildProcess(const char* application, const char* commandLine) {
  ChildProcesses& children = *Os().children;
  StartupInfoBlock info;
  children.CaptureStartupInfo(&info);
  ChildHandles child;
  if (!children.Create(application, commandLine, info, &child)) {
    char error[256];
    WriteLog(std::string("Error creating process ") + GetLastErrorText(error, sizeof error) + "!");
    return 1;
  }

  int waits = 0;
  std::uint32_t code = 0;
  std::uint32_t read = 0;
  bool readable = children.ExitCode(child.process, &read);
  if (readable) code = read;
  // A child may itself end with the code 259: the signalled handle, not the
  // code, tells that it has ended.
  bool ended = false;
  while (readable && code == kStillActive && !ended) {
    if (waits == kQuietWaits) WriteLog("Waiting for child to exit");
    if (waits > kQuietWaits) WriteLog(".");
    const int waited = children.Wait(child.process, kWaitMs);
    ended = waited == kWaitSignalled;
    // A wait that fails returns at once: pause instead, so that watching a
    // running child never spins.
    if (waited == kWaitFailed) Os().clock->SleepMs(kWaitMs);
    ++waits;
    readable = children.ExitCode(child.process, &read);
    if (readable) code = read;
  }
  if (waits > kQuietWaits) WriteLog(" done.");

  if (children.ExitCode(child.process, &read)) code = read;
  if (code != 0 && code != kStillActive) {
    char error[256];
    WriteLog("Error number " + std::to_string(code) + " : " + GetLastErrorText(error, sizeof error));
  }
  children.CloseHandle(child.process);
  if (child.thread != 0) children.CloseHandle(child.thread);
  return code;
}

}  // namespace kestro
