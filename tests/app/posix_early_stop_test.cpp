// The real program as systemd starts it, stopped while its start is held:
// the notify socket is one the test binds, the settings file a FIFO the test
// feeds, and the worker blocks in its first read of the settings until the
// test lets it go. Nothing here waits on time, only on the program.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

constexpr int kPatienceMs = 20000;

long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

class PosixEarlyStopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-early-stop-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    ASSERT_EQ(0, mkfifo(Settings().c_str(), 0600));
    notify_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    Notify().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(0, bind(notify_, reinterpret_cast<sockaddr*>(&address), sizeof address));
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(notify_);
    unlink(Notify().c_str());
    unlink(Settings().c_str());
    rmdir(dir_.c_str());
  }
  std::string Settings() const { return dir_ + "/kestro.reg"; }
  std::string Notify() const { return dir_ + "/notify"; }

  void Start() {
    const std::string socketVar = "NOTIFY_SOCKET=" + Notify();
    const std::string settingsVar = "KESTRO_REGISTRY=" + Settings();
    char* argv[] = {const_cast<char*>(KESTRO_PROGRAM), const_cast<char*>("-service"), nullptr};
    char* envp[] = {const_cast<char*>(socketVar.c_str()), const_cast<char*>(settingsVar.c_str()),
                    const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
    ASSERT_EQ(0, posix_spawn(&pid_, KESTRO_PROGRAM, nullptr, nullptr, argv, envp));
  }

  // Waits until the program opens the settings for reading; the open end
  // for writing, or -1 when it never did.
  int AwaitSettingsRead() {
    for (const long end = NowMs() + kPatienceMs; NowMs() < end;) {
      const int fd = open(Settings().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) return fd;
      if (errno != ENXIO || waitpid(pid_, nullptr, WNOHANG) != 0) return -1;
      poll(nullptr, 0, 5);  // no reader yet
    }
    return -1;
  }

  // Whether the program still has the settings open (a read not yet closed).
  bool ProgramHoldsSettings() {
    const std::string fds = "/proc/" + std::to_string(pid_) + "/fd";
    DIR* dir = opendir(fds.c_str());
    if (dir == nullptr) return false;
    bool holds = false;
    while (const dirent* entry = readdir(dir)) {
      char target[PATH_MAX] = {};
      const std::string link = fds + "/" + entry->d_name;
      if (readlink(link.c_str(), target, sizeof target - 1) > 0 && Settings() == target) holds = true;
    }
    closedir(dir);
    return holds;
  }

  void AwaitHolding(bool holding) {
    for (const long end = NowMs() + kPatienceMs; ProgramHoldsSettings() != holding && NowMs() < end;) {
      poll(nullptr, 0, 5);
    }
  }

  // The next notify message, or "" when none comes in time.
  std::string NextMessage(int patienceMs) {
    pollfd fd{notify_, POLLIN, 0};
    if (poll(&fd, 1, patienceMs) != 1) return "";
    char buffer[512];
    const ssize_t n = recv(notify_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
  }

  // The exit status, or -1 when the program still runs after the patience.
  int AwaitExit() {
    for (const long end = NowMs() + kPatienceMs; NowMs() < end;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      poll(nullptr, 0, 10);
    }
    return -1;
  }

  std::string dir_;
  int notify_ = -1;
  pid_t pid_ = -1;
};

TEST_F(PosixEarlyStopTest, SigtermWhileTheWorkerStartsEndsTheServiceWithoutReady) {
  Start();
  // The entry point reads the settings first: an empty file, no key.
  const int first = AwaitSettingsRead();
  ASSERT_GE(first, 0) << "the program never read its settings";
  // Its read is open, then closed, before the worker's comes.
  AwaitHolding(true);
  close(first);
  AwaitHolding(false);
  // Then the worker: held in its read while the stop comes, before its stop
  // event exists.
  const int held = AwaitSettingsRead();
  ASSERT_GE(held, 0) << "the service worker never read its settings";
  ASSERT_EQ(0, kill(pid_, SIGTERM));
  EXPECT_EQ("STOPPING=1", NextMessage(kPatienceMs));
  close(held);

  EXPECT_EQ(0, AwaitExit());
  std::vector<std::string> rest;
  for (std::string m; !(m = NextMessage(0)).empty();) rest.push_back(m);
  EXPECT_EQ(std::vector<std::string>{"STOPPING=1"}, rest);  // the second report; no READY=1
}

}  // namespace
