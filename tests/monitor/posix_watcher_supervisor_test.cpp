// The supervisor ticking on the test's thread while the watcher runs on a
// real thread of its own, both writing one log through the real lock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "fakes/fake_system.h"
#include "log/log_directory.h"
#include "monitor/last_address_change.h"
#include "monitor/monitor.h"
#include "monitor/supervisor.h"
#include "platform/posix/byte_lock_posix.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/threads_posix.h"

namespace kestro {
namespace {

// Address changes as bytes in a pipe: each wait blocks in read() until the
// test writes one. `waits` counts the waits begun.
class PipeWatcher : public AddressWatcher {
 public:
  PipeWatcher() { EXPECT_EQ(0, pipe(fds_)); }
  void Change() {
    const char c = 'c';
    ASSERT_EQ(1, write(fds_[1], &c, 1));
  }
  bool WaitForChange() override {
    ++waits;
    char c;
    return read(fds_[0], &c, 1) == 1;
  }
  bool Snapshot(std::string*) override { return false; }
  std::atomic<int> waits{0};

 private:
  int fds_[2] = {-1, -1};  // open for the life of the process
};

// The fake clock's second between two attempts at the lock passes at once;
// a refused attempt gives the holder a moment of real time instead.
class YieldingLock : public PosixByteLock {
 public:
  bool TryLockByte(LockHandle handle, int* error) override {
    const bool locked = PosixByteLock::TryLockByte(handle, error);
    if (!locked) usleep(1000);
    return locked;
  }
};

TEST(WatcherAndSupervisor, ChangesNotedOnTheWatcherThreadWhileThePassesRun) {
  char pattern[] = "/tmp/kestro-watch-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  testing::FakeSystem sys;
  PosixThreads threads;
  YieldingLock byteLock;
  PosixFiles files;
  // The watcher thread is never stopped: it stays blocked in its wait until
  // the process ends, so its watcher lives as long.
  static PipeWatcher& watcher = *new PipeWatcher;
  Platform table = sys.Table();
  table.threads = &threads;
  table.byteLock = &byteLock;
  table.files = &files;
  table.addresses = &watcher;
  SetPlatform(table);
  ResetLogDirectory();

  const char key[] = "SOFTWARE\\Morvane\\Kestro";
  sys.registry.SetText(key, "LogDir", dir);
  sys.registry.SetDword(key, "PingDelay", 0);
  sys.registry.SetDword(key, "NumberOfPingSweeps", 1);
  sys.registry.SetText(key, "Command1", "/bin/c1");
  sys.environment.variables["OXLROOT"] = "/agent";
  sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
  sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
  sys.sockets.answerAfterMs = 2;
  LogDirectory();  // read here: the fake registry serves one thread at a time

  constexpr int kChanges = 20;
  Monitor monitor;
  for (int i = 0; i < kChanges; ++i) {
    watcher.Change();
    SupervisorTick(monitor);
  }
  // The watcher has noted every change once it waits for the next one.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (watcher.waits < kChanges + 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  SupervisorTick(monitor);
  EXPECT_EQ(kStillActive, threads.ExitCode(monitor.Supervisor.ProcessingThread));

  std::ifstream in(dir + "/Kestro-2.txt", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::regex line(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}:\d{3}: [^\r\n]*\r\n)");
  int changes = 0, commands = 0;
  const std::string all = text.str();
  for (auto l = std::sregex_iterator(all.begin(), all.end(), line); l != std::sregex_iterator(); ++l) {
    changes += l->str().find(": Network address table change!\r\n") != std::string::npos;
    commands += l->str().find(": Executing command /bin/c1  CommandLine:  start\r\n") != std::string::npos;
  }
  EXPECT_TRUE(std::regex_replace(all, line, "").empty()) << "torn lines";
  EXPECT_EQ(kChanges, changes);
  EXPECT_TRUE(sys.eventLog.Entries().empty()) << "a line was dropped";
  EXPECT_GE(commands, 1);
  // Every change noted is covered by a pass that ended after it.
  EXPECT_GE(monitor.Supervisor.LastPassTime, LastAddressChange.load());
  EXPECT_EQ(0, std::system(("rm -rf '" + dir + "'").c_str()));
}

}  // namespace
}  // namespace kestro
