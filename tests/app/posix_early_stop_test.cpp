// The real program as systemd starts it, stopped while its worker starts:
// the notify socket is one the test binds; a preloaded library holds each
// open of the settings file until the test lets it go through a FIFO (the
// program itself refuses a settings file that is not a regular file). Every
// wait here is for the program, none for time.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

// Polls `done` until it holds, for at most 20 seconds.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 4000; ++i) {
    if (done()) return true;
    poll(nullptr, 0, 5);
  }
  return false;
}

TEST(PosixEarlyStopTest, SigtermWhileTheWorkerStartsEndsTheServiceWithoutReady) {
  char pattern[] = "/tmp/kestro-early-stop-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  const std::string dir = pattern, settings = dir + "/kestro.reg", notify = dir + "/notify",
                    hold = dir + "/hold", library = dir + "/hold_open.so";
  // LD_PRELOAD splits at blanks: the library goes in through a link on a
  // path without one, wherever the build lives.
  ASSERT_EQ(0, symlink(KESTRO_HOLD_OPEN, library.c_str()));
  const int file = open(settings.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  ASSERT_LE(0, file);
  close(file);
  ASSERT_EQ(0, mkfifo(hold.c_str(), 0600));
  const int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  notify.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(0, bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address));

  const std::string socketVar = "NOTIFY_SOCKET=" + notify, settingsVar = "KESTRO_REGISTRY=" + settings,
                    preload = "LD_PRELOAD=" + library, holdVar = "KESTRO_HOLD_FIFO=" + hold;
  char* argv[] = {const_cast<char*>(KESTRO_PROGRAM), const_cast<char*>("-service"), nullptr};
  char* envp[] = {const_cast<char*>(socketVar.c_str()), const_cast<char*>(settingsVar.c_str()),
                  const_cast<char*>(preload.c_str()), const_cast<char*>(holdVar.c_str()),
                  const_cast<char*>("KESTRO_HOLD_NAME=kestro.reg"),
                  const_cast<char*>("ASAN_OPTIONS=verify_asan_link_order=0"), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(0, posix_spawn(&pid, KESTRO_PROGRAM, nullptr, nullptr, argv, envp));

  // A writer's end of the FIFO opens once the program waits at it.
  int writer = -1;
  auto reading = [&] { return (writer = open(hold.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; };
  auto holding = [&] {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    bool found = false;
    if (DIR* d = opendir(fds.c_str())) {
      while (const dirent* e = readdir(d)) {
        char target[PATH_MAX] = {};
        found |= readlink((fds + "/" + e->d_name).c_str(), target, sizeof target - 1) > 0 &&
                 hold == target;
      }
      closedir(d);
    }
    return found;
  };
  std::vector<std::string> messages;
  auto received = [&](const std::string& wanted) {
    char buffer[512];
    for (ssize_t n; (n = recv(sock, buffer, sizeof buffer, 0)) > 0;) messages.emplace_back(buffer, n);
    return !messages.empty() && messages.back() == wanted;
  };
  int status = -1;
  auto exited = [&] { return waitpid(pid, &status, WNOHANG) == pid; };

  // The entry point reads the settings first (an empty file: no key), and
  // closes them before the worker's read comes.
  auto stop = [&] {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  };
  if (!Eventually(reading)) {
    stop();
    FAIL() << "the program never read its settings";
  }
  EXPECT_TRUE(Eventually(holding));
  close(writer);
  EXPECT_TRUE(Eventually([&] { return !holding(); }));
  // The worker, held in its read, before its stop event exists.
  if (!Eventually(reading)) {
    stop();
    FAIL() << "the service worker never read its settings";
  }
  kill(pid, SIGTERM);
  EXPECT_TRUE(Eventually([&] { return received("STOPPING=1"); }));
  close(writer);

  const bool ended = Eventually(exited);
  if (!ended) stop();
  EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  received("");
  EXPECT_EQ((std::vector<std::string>{"STOPPING=1", "STOPPING=1"}), messages);  // no READY=1
  close(sock);
  unlink(notify.c_str());
  unlink(settings.c_str());
  unlink(hold.c_str());
  unlink(library.c_str());
  rmdir(dir.c_str());
}

}  // namespace
