// Many writers at once, for real: four processes of four threads each write
// 50,000 lines a process into one directory, which rotates some twenty
// times. No line may be torn, interleaved or lost, and one overflow must
// cause exactly one rotation.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <mutex>
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
constexpr int kThreads = 4;
constexpr int kLinesPerThread = 50000 / kThreads;
// Stamp and ": ", writer "wP-T ", number, blank, 80 bytes of text, CR LF.
constexpr std::uint64_t kLongestLine = 23 + 2 + 5 + 5 + 1 + 80 + 2;

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

// Keeps a copy of each generation that rotation deletes (the writer holds
// the lock), so that every line written can still be found.
class RecordingFiles : public PosixFiles {
 public:
  std::string archive;
  bool RemoveFile(const std::string& path) override {
    std::uint64_t size = 0;
    if (FileSize(path, &size)) {
      const std::string text = ReadAll(path);
      std::ofstream(archive, std::ios::binary | std::ios::app)
          << text.size() << "\n" << text << "\n";
    }
    return PosixFiles::RemoveFile(path);
  }
};

// Sleeps 20 ms for the lock's 1000 ms, so that contention costs little real
// time. Sixteen writers that never pause starve one another now and then:
// a writer refused 60 times gives its line up, as it would after 60 s.
class QuickClock : public PosixClock {
 public:
  void SleepMs(std::uint32_t) override { usleep(20000); }
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

// Each process's writers. The lines given up for the lock are listed in
// DIR/given-up-P as "wP-T N", rotated generations go to DIR/archive-P.
void WriteFromThreads(int process, const std::string& dir) {
  static PosixRegistry registry;
  static PosixEventLog eventLog;
  static PosixByteLock byteLock;
  static RecordingFiles files;
  static QuickClock clock;
  static StdioConsole console;
  files.archive = dir + "/archive-" + std::to_string(process);
  Platform table;
  table.registry = &registry;
  table.eventLog = &eventLog;
  table.byteLock = &byteLock;
  table.files = &files;
  table.clock = &clock;
  table.console = &console;
  SetPlatform(table);
  ResetLogDirectory();

  std::mutex mutex;
  std::ofstream givenUp(dir + "/given-up-" + std::to_string(process));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string name = "w" + std::to_string(process) + "-" + std::to_string(t);
      for (int i = 0; i < kLinesPerThread; ++i) {
        const int status = WriteLog(name + " " + std::to_string(i) + " " + std::string(80, 'x'));
        if (status == kLogWritten) continue;
        std::lock_guard<std::mutex> guard(mutex);
        givenUp << name << " " << i << (status == kLogNotLocked ? "" : " failed") << "\n";
      }
    });
  }
  for (auto& th : threads) th.join();
}

TEST_F(WriteLogConcurrencyTest, FourProcessesOfFourThreadsNeverTearLoseOrDoubleRotate) {
  std::vector<pid_t> children;
  for (int p = 1; p < kProcesses; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      WriteFromThreads(p, dir);
      _exit(0);
    }
    children.push_back(pid);
  }
  WriteFromThreads(0, dir);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer process failed";
  }

  // The generations rotation deleted, then the previous and current files.
  std::vector<std::string> generations;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir + "/archive-" + std::to_string(p), std::ios::binary);
    std::string size;
    while (std::getline(in, size)) {
      std::string text(std::stoull(size), '\0');
      in.read(&text[0], static_cast<std::streamsize>(text.size()));
      in.ignore(1);
      generations.push_back(text);
    }
  }
  const std::size_t removed = generations.size();
  generations.push_back(ReadAll(dir + "/Kestro-1.txt"));
  const std::string current = ReadAll(dir + "/Kestro-2.txt");

  // Each generation was rotated once, just past the limit: a second writer
  // never moved aside the few lines written after a rotation, and none let
  // the file grow by more than one line over the limit. So the number of
  // rotations is the number of whole limits in the rotated bytes.
  std::map<std::string, std::set<int>> seen;
  std::uint64_t rotatedBytes = 0;
  for (const std::string& text : generations) {
    EXPECT_GT(text.size(), kRotationLimit);
    EXPECT_LE(text.size(), kRotationLimit + kLongestLine);
    rotatedBytes += text.size();
    CheckLines(text, &seen);
  }
  EXPECT_EQ(generations.size(), rotatedBytes / kRotationLimit);
  EXPECT_LE(current.size(), kRotationLimit + kLongestLine);
  CheckLines(current, &seen);
  std::printf("%zu generations rotated, %zu of them deleted; %zu bytes in all\n",
              generations.size(), removed, static_cast<std::size_t>(rotatedBytes + current.size()));
  EXPECT_GE(removed, 10u);

  // Every line of every writer is in the files exactly once, or was given
  // up for the lock (and then is nowhere); the latter stay rare.
  std::map<std::string, std::set<int>> givenUp;
  std::size_t givenUpCount = 0;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(dir + "/given-up-" + std::to_string(p));
    std::string writer, rest;
    int line = 0;
    while (in >> writer >> line && std::getline(in, rest)) {
      EXPECT_EQ("", rest) << "WriteLog failed other than for the lock";
      givenUp[writer].insert(line);
      ++givenUpCount;
    }
  }
  std::printf("%zu of %d lines given up after 60 refusals of the lock\n", givenUpCount,
              kProcesses * kThreads * kLinesPerThread);
  EXPECT_LT(givenUpCount, static_cast<std::size_t>(kProcesses * kThreads * kLinesPerThread / 100));
  ASSERT_EQ(static_cast<std::size_t>(kProcesses * kThreads), seen.size());
  for (const auto& writer : seen) {
    const std::set<int>& lost = givenUp[writer.first];
    EXPECT_EQ(static_cast<std::size_t>(kLinesPerThread), writer.second.size() + lost.size())
        << writer.first;
    for (int line : lost) EXPECT_EQ(0u, writer.second.count(line)) << writer.first << " " << line;
  }
}

}  // namespace
}  // namespace kestro
