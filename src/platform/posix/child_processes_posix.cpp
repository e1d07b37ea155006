#include "platform/posix/child_processes_posix.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace kestro {
namespace {

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

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

std::uint32_t CodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return 1;
}

}  // namespace

void PosixChildProcesses::CaptureStartupInfo(StartupInfoBlock*) {}

bool PosixChildProcesses::Create(const std::string& application, const std::string& commandLine,
                                 const StartupInfoBlock&, ChildHandles* child) {
  std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty()) words.push_back(application);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A command starts with no signal blocked, whatever this thread blocks
  // (the service host blocks SIGTERM to read it as the stop request), and
  // with every signal at its default: systemd starts services with SIGPIPE
  // ignored, which would otherwise reach the command through exec.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> environment = CommandEnvironment();
  pid_t pid = 0;
  const int error =
      posix_spawn(&pid, application.c_str(), nullptr, &attributes, argv.data(), environment.data());
  posix_spawnattr_destroy(&attributes);
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
