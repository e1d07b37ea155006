// The byte lock for real: it must exclude other processes and other opens in
// this process, and every way of letting go must release it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "platform/posix/byte_lock_posix.h"

namespace kestro {
namespace {

class PosixByteLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-lock-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    path = dir + "/Kestro.lck";
  }
  void TearDown() override {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }

  // Whether a fresh open in a child process can take the byte.
  bool ChildCanLock() {
    const pid_t pid = fork();
    if (pid == 0) {
      PosixByteLock lock;
      LockHandle h;
      int error = 0;
      if (!lock.OpenLockFile(path, &h, &error)) _exit(2);
      _exit(lock.TryLockByte(h, &error) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  // A child that takes the byte, reports through a pipe and then waits.
  pid_t HoldInChild(int* release) {
    int ready[2], go[2];
    EXPECT_EQ(0, pipe(ready));
    EXPECT_EQ(0, pipe(go));
    const pid_t pid = fork();
    if (pid == 0) {
      PosixByteLock lock;
      LockHandle h;
      int error = 0;
      char c = lock.OpenLockFile(path, &h, &error) && lock.TryLockByte(h, &error) ? 'y' : 'n';
      (void)!write(ready[1], &c, 1);
      if (read(go[0], &c, 1) == 1 && c == 'u') lock.UnlockByte(h);
      (void)!write(ready[1], &c, 1);
      (void)!read(go[0], &c, 1);
      _exit(0);
    }
    char c = 0;
    EXPECT_EQ(1, read(ready[0], &c, 1));
    EXPECT_EQ('y', c);
    *release = go[1];
    readyFd = ready[0];
    return pid;
  }

  std::string dir;
  std::string path;
  int readyFd = -1;
};

TEST_F(PosixByteLockTest, CreatesTheFileAndExcludesOtherOpensHereAndElsewhere) {
  PosixByteLock lock;
  LockHandle a, b;
  int error = 0;
  ASSERT_TRUE(lock.OpenLockFile(path, &a, &error));
  EXPECT_EQ(0, access(path.c_str(), F_OK));
  ASSERT_TRUE(lock.TryLockByte(a, &error));
  ASSERT_TRUE(lock.OpenLockFile(path, &b, &error));
  // Another thread, through its own open, is refused as another process is.
  bool otherThread = true;
  std::thread([&] { otherThread = lock.TryLockByte(b, &error); }).join();
  EXPECT_FALSE(otherThread);
  EXPECT_NE(0, error);
  EXPECT_FALSE(ChildCanLock());
  lock.UnlockByte(a);
  EXPECT_TRUE(ChildCanLock());
  EXPECT_TRUE(lock.TryLockByte(b, &error));
  lock.CloseLockFile(b);  // closing releases
  EXPECT_TRUE(ChildCanLock());
  lock.CloseLockFile(a);
}

TEST_F(PosixByteLockTest, ReleasedByUnlockExitAndKillOfTheHolder) {
  for (const char how : {'u', 'x', 'k'}) {
    int release = -1;
    const pid_t pid = HoldInChild(&release);
    EXPECT_FALSE(ChildCanLock()) << how;
    if (how == 'k') {
      kill(pid, SIGKILL);
    } else {
      char c = how;
      ASSERT_EQ(1, write(release, &c, 1));
      ASSERT_EQ(1, read(readyFd, &c, 1));
      if (how == 'u') {
        EXPECT_TRUE(ChildCanLock());
      }
      c = 'x';
      (void)!write(release, &c, 1);
    }
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(ChildCanLock()) << how;
    close(release);
    close(readyFd);
  }
}

TEST_F(PosixByteLockTest, OpenFailureReportsErrno) {
  PosixByteLock lock;
  LockHandle h;
  int error = 0;
  EXPECT_FALSE(lock.OpenLockFile(dir + "/missing/Kestro.lck", &h, &error));
  EXPECT_EQ(ENOENT, error);
}

}  // namespace
}  // namespace kestro
