// The watcher thread's handle on Linux, for real: ended or terminated, the
// thread is released by Close (the sanitizer build reports a record left).
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/posix/threads_posix.h"
#include "platform/wait_result.h"

namespace kestro {
namespace {

std::atomic<int> started{0};

void EndAtOnce() { ++started; }
void BlockForever() {
  ++started;
  for (;;) pause();
}

bool EndsWithin(Threads& threads, ThreadHandle t, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (threads.ExitCode(t) == kStillActive) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(PosixThreads, EndedAndTerminatedThreadsAreReleased) {
  PosixThreads threads;
  ThreadHandle ended = 0, blocked = 0;
  std::uint32_t id = 0;
  ASSERT_TRUE(threads.Create(EndAtOnce, &ended, &id));
  ASSERT_TRUE(threads.Create(BlockForever, &blocked, &id));
  ASSERT_TRUE(EndsWithin(threads, ended, std::chrono::seconds(30)));
  // The supervisor's way with an ended thread: terminate, then close.
  EXPECT_TRUE(threads.Terminate(ended, 0));
  threads.Close(ended);
  while (started < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(kStillActive, threads.ExitCode(blocked));
  EXPECT_TRUE(threads.Terminate(blocked, 0));
  threads.Close(blocked);
}

}  // namespace
}  // namespace kestro
