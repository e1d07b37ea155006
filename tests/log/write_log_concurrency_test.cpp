// Many writers at once, for real: threads of one process and several
// processes share one log directory. No line may be torn, interleaved or
// lost, and one overflow must cause exactly one rotation.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "log/log_directory.h"
#include "log/write_log.h"
#include "platform/platform.h"
#include "platform/posix/byte_lock_posix.h"
#include "platform/posix/clock_posix.h"
#include "platform/posix/event_log_posix.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/registry_posix.h"
#include "platform/stdio_console.h"

namespace kestro {
namespace {

constexpr int kProcesses = 4;
constexpr int kThreads = 2;
constexpr int kLinesPerThread = 1500;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Checks every line of a log text and counts the lines of each writer.
void CheckLines(const std::string& text, std::map<std::string, std::set<int>>* seen) {
  static const std::regex line(
      R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}:\d{3}: (w\d+-\d+) (\d+) x{80})");
  std::string::size_type pos = 0;
  while (pos < text.size()) {
    const std::string::size_type end = text.find("\r\n", pos);
    ASSERT_NE(std::string::npos, end) << "unterminated line at " << pos;
    std::smatch m;
    const std::string one = text.substr(pos, end - pos);
    ASSERT_TRUE(std::regex_match(one, m, line)) << "torn line: " << one;
    EXPECT_TRUE((*seen)[m[1]].insert(std::stoi(m[2])).second) << "duplicate: " << one;
    pos = end + 2;
  }
}

// Before each rotation (the writer holds the lock), records the size of the
// generation being moved aside and keeps a copy, so that no line is lost
// from sight when the previous generation is deleted.
class RecordingFiles : public PosixFiles {
 public:
  std::string archive;
  bool RenameFile(const std::string& from, const std::string& to) override {
    // Only the current generation's move is a rotation; the previous one is
    // renamed aside before its deletion.
    if (from.size() < 12 || from.compare(from.size() - 12, 12, "Kestro-2.txt") != 0)
      return PosixFiles::RenameFile(from, to);
    const std::string text = ReadAll(from);
    std::ofstream(archive, std::ios::binary | std::ios::app)
        << text.size() << "\n" << text << "\n";
    return PosixFiles::RenameFile(from, to);
  }
};

// Sleeps 1 ms for the lock's 1000 ms, so that contention costs no real time.
class QuickClock : public PosixClock {
 public:
  void SleepMs(std::uint32_t) override { usleep(1000); }
};

class WriteLogConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-log-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    std::ofstream(dir + "/kestro.reg")
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n\"LogDir\"=\"" << dir
        << "\"\r\n";
    setenv("KESTRO_REGISTRY", (dir + "/kestro.reg").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KESTRO_REGISTRY");
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string dir;
};

// Each process's writers; returns the number of lines not written.
int WriteFromThreads(int process, const std::string& archive) {
  static PosixRegistry registry;
  static PosixEventLog eventLog;
  static PosixByteLock byteLock;
  static RecordingFiles files;
  static QuickClock clock;
  static StdioConsole console;
  files.archive = archive;
  Platform table;
  table.registry = &registry;
  table.eventLog = &eventLog;
  table.byteLock = &byteLock;
  table.files = &files;
  table.clock = &clock;
  table.console = &console;
  SetPlatform(table);
  ResetLogDirectory();

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string name = "w" + std::to_string(process) + "-" + std::to_string(t) + " ";
      for (int i = 0; i < kLinesPerThread; ++i) {
        if (WriteLog(name + std::to_string(i) + " " + std::string(80, 'x')) != 0) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  return failures;
}

TEST_F(WriteLogConcurrencyTest, ThreadsAndProcessesNeverTearLoseOrDoubleRotate) {
  std::vector<pid_t> children;
  for (int p = 1; p < kProcesses; ++p) {
    const pid_t pid = fork();
    if (pid == 0) _exit(WriteFromThreads(p, dir + "/archive-" + std::to_string(p)) == 0 ? 0 : 1);
    children.push_back(pid);
  }
  EXPECT_EQ(0, WriteFromThreads(0, dir + "/archive-0"));
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a child lost lines";
  }

  // Every rotated generation was larger than the limit: a second writer
  // never rotated the few lines written after the first rotation.
  std::map<std::string, std::set<int>> seen;
  int rotations = 0;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir + "/archive-" + std::to_string(p), std::ios::binary);
    std::string size;
    while (std::getline(in, size)) {
      const std::uint64_t n = std::stoull(size);
      std::string text(n, '\0');
      in.read(&text[0], static_cast<std::streamsize>(n));
      in.ignore(1);
      EXPECT_GT(n, kRotationLimit);
      CheckLines(text, &seen);
      ++rotations;
    }
  }
  EXPECT_GE(rotations, 1);
  CheckLines(ReadAll(dir + "/Kestro-2.txt"), &seen);

  // Every line of every writer arrived exactly once.
  ASSERT_EQ(static_cast<std::size_t>(kProcesses * kThreads), seen.size());
  for (const auto& writer : seen) EXPECT_EQ(static_cast<std::size_t>(kLinesPerThread), writer.second.size());
}

}  // namespace
}  // namespace kestro
