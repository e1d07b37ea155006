// The service host under systemd, for real: the notify socket is one the
// test binds, the stop request a real SIGTERM.
#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/child_processes_posix.h"
#include "platform/posix/service_host_posix.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

PosixServiceHost* host = nullptr;
EventHandle stopEvent = 0;
std::atomic<std::uint32_t> control{0};
std::string serviceName;
int stopWait = -1;

void Handler(std::uint32_t code) {
  control = code;
  host->SignalEvent(stopEvent);
}

void Report(std::uint32_t state) {
  ServiceStatusRecord record;
  record.currentState = state;
  EXPECT_TRUE(host->SetStatus(1, record));
}

// Runs as the service would: running, a status text, then waits for the
// stop that its own SIGTERM asks for.
void Main(int, char** argv) {
  serviceName = argv[0];
  host->RegisterHandler("Kestro", Handler);
  Report(kServiceStartPending);
  Report(kServiceRunning);
  host->SetStatusText("127.0.0.1: 7 of 7 answered");
  kill(getpid(), SIGTERM);
  stopWait = host->WaitEvent(stopEvent, 30000);
  Report(kServiceStopPending);
  Report(kServiceStopped);
}

// Asks for its stop before registering the handler, and registers it only
// once the dispatcher has taken the signal: the stop must still arrive.
void MainStoppedBeforeRegistering(int, char**) {
  kill(getpid(), SIGTERM);
  sigset_t pending;
  for (int spins = 0; spins < 10000000; ++spins) {
    sigpending(&pending);
    if (!sigismember(&pending, SIGTERM)) break;
    sched_yield();
  }
  host->RegisterHandler("Kestro", Handler);
  stopWait = host->WaitEvent(stopEvent, 30000);
}

class PosixServiceHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-notify-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    path = dir + "/notify";
    socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(0, bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address));
    host = &realHost;
    stopEvent = realHost.CreateStopEvent();
  }
  void TearDown() override {
    realHost.CloseEvent(stopEvent);
    close(socket_);
    unlink(path.c_str());
    rmdir(dir.c_str());
    unsetenv("NOTIFY_SOCKET");
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    char buffer[512];
    for (ssize_t n; (n = recv(socket_, buffer, sizeof buffer, 0)) > 0;) out.emplace_back(buffer, n);
    return out;
  }
  PosixServiceHost realHost;
  std::string dir, path;
  int socket_ = -1;
};

TEST_F(PosixServiceHostTest, WithoutNotifySocketTheDispatcherCannotStart) {
  unsetenv("NOTIFY_SOCKET");
  serviceName.clear();
  EXPECT_FALSE(realHost.RunDispatcher("Kestro", Main));
  EXPECT_TRUE(serviceName.empty());  // the service routine never ran
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PosixServiceHostTest, SigtermIsTheStopControlAndStatesAreNotified) {
  setenv("NOTIFY_SOCKET", path.c_str(), 1);
  serviceName.clear();
  ASSERT_TRUE(realHost.RunDispatcher("Kestro", Main));
  EXPECT_EQ("Kestro", serviceName);
  EXPECT_EQ(1u, control.load());
  EXPECT_EQ(kWaitSignalled, stopWait);
  EXPECT_EQ((std::vector<std::string>{"READY=1", "STATUS=127.0.0.1: 7 of 7 answered", "STOPPING=1"}),
            Messages());
  // A stop handler late after the stopped report says nothing more.
  Report(kServiceStopPending);
  EXPECT_TRUE(Messages().empty());
  // The caller gets its signal mask back.
  sigset_t mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &mask);
  EXPECT_FALSE(sigismember(&mask, SIGTERM));
}

TEST_F(PosixServiceHostTest, StopBeforeTheHandlerIsRegisteredIsHeldForIt) {
  setenv("NOTIFY_SOCKET", path.c_str(), 1);
  control = 0;
  stopWait = -1;
  ASSERT_TRUE(realHost.RunDispatcher("Kestro", MainStoppedBeforeRegistering));
  EXPECT_EQ(1u, control.load());
  EXPECT_EQ(kWaitSignalled, stopWait);
}

TEST(PosixChildMaskTest, ACommandStartsWithNoSignalBlocked) {
  // The service host blocks SIGTERM in its threads; a command must not inherit that.
  char pattern[] = "/tmp/kestro-mask-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  const std::string out = std::string(pattern) + "/mask";
  sigset_t term, before;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, &before);
  PosixChildProcesses children;
  ChildHandles child;
  const bool created = children.Create(
      "/bin/sh", "sh -c \"grep SigBlk /proc/self/status >" + out + "\"", StartupInfoBlock(), &child);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  ASSERT_TRUE(created);
  EXPECT_EQ(kWaitSignalled, children.Wait(child.process, 10000));
  children.CloseHandle(child.process);
  std::string line;
  if (FILE* f = std::fopen(out.c_str(), "r")) {
    char buffer[128] = {};
    if (std::fgets(buffer, sizeof buffer, f) != nullptr) line = buffer;
    std::fclose(f);
  }
  EXPECT_EQ("SigBlk:\t0000000000000000\n", line);
  unlink(out.c_str());
  rmdir(pattern);
}

}  // namespace
}  // namespace kestro
