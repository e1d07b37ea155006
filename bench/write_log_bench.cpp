// WriteLog throughput against the simplest locked append, with one writer
// and with four processes writing at once into the same directory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "log/log_directory.h"
#include "log/write_log.h"
#include "platform/platform.h"

namespace {

const std::string kMessage = "Could not read SOFTWARE\\Morvane\\Kestro\\PingDelay";
std::string directory;

void RemoveDirectory() {
  if (!directory.empty()) std::system(("rm -rf '" + directory + "'").c_str());
}

void UseFreshDirectory() {
  static const int cleanup = std::atexit(RemoveDirectory);
  (void)cleanup;
  RemoveDirectory();
  char pattern[] = "/tmp/kestro-bench-XXXXXX";
  directory = mkdtemp(pattern);
  std::ofstream(directory + "/kestro.reg")
      << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n\"LogDir\"=\""
      << directory << "\"\r\n";
  setenv("KESTRO_REGISTRY", (directory + "/kestro.reg").c_str(), 1);
  kestro::SetPlatform(kestro::SystemPlatform());
  kestro::ResetLogDirectory();
}

// The baseline: open the lock file, lock one byte, append one line, unlock,
// close, written the simplest way.
void PlainLockedAppend(const std::string& line) {
  const int lock = open((directory + "/plain.lck").c_str(), O_RDWR | O_CREAT, 0666);
  struct flock byte = {};
  byte.l_type = F_WRLCK;
  byte.l_whence = SEEK_SET;
  byte.l_len = 1;
  while (fcntl(lock, F_OFD_SETLKW, &byte) != 0) {
  }
  const int log = open((directory + "/plain.txt").c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  (void)!write(log, line.data(), line.size());
  close(log);
  byte.l_type = F_UNLCK;
  fcntl(lock, F_OFD_SETLK, &byte);
  close(lock);
}

const std::string kPlainLine = "2026/12/07 05:01:52:772: " + kMessage + "\r\n";

void BM_WriteLog(benchmark::State& state) {
  UseFreshDirectory();
  for (auto _ : state) benchmark::DoNotOptimize(kestro::WriteLog(kMessage));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLog);

void BM_PlainLockedAppend(benchmark::State& state) {
  UseFreshDirectory();
  for (auto _ : state) PlainLockedAppend(kPlainLine);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainLockedAppend);

// Four processes, each writing `lines` lines; the time is the wall time
// until the last one is done.
template <typename Write>
void FourProcesses(benchmark::State& state, Write write) {
  const int lines = static_cast<int>(state.range(0));
  for (auto _ : state) {
    UseFreshDirectory();
    const auto start = std::chrono::steady_clock::now();
    pid_t children[4];
    for (pid_t& child : children) {
      child = fork();
      if (child == 0) {
        for (int i = 0; i < lines; ++i) write();
        _exit(0);
      }
    }
    for (pid_t child : children) waitpid(child, nullptr, 0);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations() * 4 * lines);
}

void BM_WriteLog_FourProcesses(benchmark::State& state) {
  FourProcesses(state, [] { kestro::WriteLog(kMessage); });
}
BENCHMARK(BM_WriteLog_FourProcesses)->Arg(5000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_PlainLockedAppend_FourProcesses(benchmark::State& state) {
  FourProcesses(state, [] { PlainLockedAppend(kPlainLine); });
}
BENCHMARK(BM_PlainLockedAppend_FourProcesses)->Arg(5000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
