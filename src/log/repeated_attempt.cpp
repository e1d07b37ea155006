#include "log/repeated_attempt.h"

#include <atomic>
#include <utility>

#include "log/write_log.h"
#include "platform/lock.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// One attempt holds lines at a time, the driver's. Made once and never torn
// down, as its lock must be.
struct HeldLines {
  Lock lock;
  std::atomic<bool> open{false};
  // Its lines went to the log already: another thread logged meanwhile.
  bool written = false;
  std::vector<std::pair<std::string, std::string>> lines;  // stamp, message

  // Holding the lock.
  void WriteOut() {
    if (!written) {
      for (const auto& line : lines) WriteStampedLog(line.first, line.second);
    }
    written = true;
  }
};

HeldLines& held = *new HeldLines;
thread_local bool attemptThread = false;

}  // namespace

void RepeatedAttempt::Begin() {
  LockGuard guard(held.lock);
  held.lines.clear();
  held.written = false;
  attemptThread = true;
  held.open.store(true);
}

void RepeatedAttempt::End(bool failed) {
  LockGuard guard(held.lock);
  attemptThread = false;
  std::vector<std::string> messages;
  for (const auto& line : held.lines) messages.push_back(line.second);
  if (!failed) {
    held.WriteOut();
    limit_.Clear();
  } else {
    if (held.written || messages != last_) limit_.Clear();
    if (limit_.Due(Os().clock->TickCount())) {
      held.WriteOut();
      last_ = std::move(messages);
    }
  }
  held.lines.clear();
  // Only now: a line of another thread meanwhile waits for those written here.
  held.open.store(false);
}

bool HeldForAttempt(const std::string& stamp, const std::string& message) {
  if (!held.open.load()) return false;
  LockGuard guard(held.lock);
  if (!held.open.load()) return false;  // ended meanwhile
  if (!attemptThread) {
    held.WriteOut();
    return false;
  }
  held.lines.emplace_back(stamp, message);
  return !held.written;
}

}  // namespace kestro
