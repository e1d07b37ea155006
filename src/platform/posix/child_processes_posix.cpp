#include "platform/posix/child_processes_posix.h"
#include "platform/command_words.h"
#include "platform/posix/file_refusal_posix.h"
#include "platform/posix/trusted_file_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace kestro {
namespace {

// The program's environment without what systemd gave it alone: a command
// that finds NOTIFY_SOCKET would speak for the service to systemd.
std::vector<char*> CommandEnvironment() {
  static const char kNotify[] = "NOTIFY_SOCKET=";
  std::vector<char*> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, kNotify, sizeof kNotify - 1) != 0) environment.push_back(*e);
  }
  environment.push_back(nullptr);
  return environment;
}

// In the child, between fork and exec (async-signal-safe calls only): a
// session of its own, no signal blocked, whatever this thread blocks (the
// service host blocks SIGTERM to read it as the stop request), every signal
// at its default (systemd starts services with SIGPIPE ignored, which would
// otherwise reach the command through exec), then the program judged. Why
// the exec failed goes back through `report`.
[[noreturn]] void StartChild(int program, int report, char* const* argv, char* const* environment) {
  setsid();
  struct sigaction initial = {};
  initial.sa_handler = SIG_DFL;
  sigemptyset(&initial.sa_mask);
  for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &initial, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // A script's interpreter gets it as /dev/fd/N: it stays open across exec.
  fcntl(program, F_SETFD, 0);
  fexecve(program, argv, environment);
  const int error = errno;
  ssize_t written;
  do {
    written = write(report, &error, sizeof error);
  } while (written < 0 && errno == EINTR);
  _exit(127);
}

std::uint32_t CodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return 1;
}

}  // namespace

void PosixChildProcesses::CaptureStartupInfo(StartupInfoBlock*) {}

bool PosixChildProcesses::Create(const std::string& application, const std::string& commandLine,
                                 const StartupInfoBlock&, ChildHandles* child) {
  std::vector<std::string> words = CommandWords(commandLine);
  if (words.empty()) words.push_back(application);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  // The very file judged is the one that runs: a name swapped after the
  // judgement is never looked up again.
  std::string refusal;
  const int program = OpenTrustedProgram(application, ProgramUser(), &refusal);
  if (program < 0) return false;  // errno says why: EPERM when refused
  std::vector<char*> environment = CommandEnvironment();
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    close(program);
    errno = error;
    return false;
  }
  const pid_t pid = fork();
  if (pid == 0) StartChild(program, report[1], argv.data(), environment.data());
  int error = pid < 0 ? errno : 0;
  close(report[1]);
  if (pid > 0) {
    // The write end closes at exec: nothing to read means the program runs.
    int failed = 0;
    ssize_t n;
    do {
      n = read(report[0], &failed, sizeof failed);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof failed)) {
      error = failed;
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  close(report[0]);
  close(program);
  if (error != 0) {
    errno = error;  // the last error of this thread, for the message
    return false;
  }
  child->process = static_cast<ProcessHandle>(pid);
  child->thread = 0;
  return true;
}

bool PosixChildProcesses::Reap(int pid, bool block) {
  int status = 0;
  const pid_t r = waitpid(pid, &status, block ? 0 : WNOHANG);
  if (r != pid) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  ended_[pid] = CodeOf(status);
  return true;
}

bool PosixChildProcesses::ExitCode(ProcessHandle process, std::uint32_t* code) {
  const int pid = static_cast<int>(process);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto e = ended_.find(pid);
    if (e != ended_.end()) {
      *code = e->second;
      return true;
    }
  }
  if (Reap(pid, false)) return ExitCode(process, code);
  if (kill(pid, 0) != 0) return false;  // not our child, or gone
  *code = kStillActive;
  return true;
}

int PosixChildProcesses::Wait(ProcessHandle process, std::uint32_t milliseconds) {
  const int pid = static_cast<int>(process);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (ended_.count(pid)) return kWaitSignalled;
  }
  // A pidfd becomes readable when the child ends: no polling.
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return kWaitFailed;
  struct pollfd p = {fd, POLLIN, 0};
  int n;
  do {
    n = poll(&p, 1, static_cast<int>(milliseconds));
  } while (n < 0 && errno == EINTR);
  close(fd);
  if (n < 0) return kWaitFailed;
  if (n == 0) return kWaitTimedOut;
  return Reap(pid, true) ? kWaitSignalled : kWaitFailed;
}

void PosixChildProcesses::CloseHandle(ProcessHandle handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  ended_.erase(static_cast<int>(handle));
}

}  // namespace kestro
