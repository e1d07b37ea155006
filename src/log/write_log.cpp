#include "log/write_log.h"

#include <atomic>

#include "log/report_event.h"
#include "log/log_directory.h"
#include "log/log_diversion.h"
#include "log/log_line.h"
#include "log/repeat_limit.h"
#include "log/repeated_attempt.h"
#include "platform/errno_text.h"
#include "platform/host.h"
#include "platform/lock.h"
#include "platform/platform.h"

namespace kestro {
namespace {

// An aside name of the previous generation: its name, a dot, a tick count
// and ".del".
bool IsAsideName(const std::string& name) {
  const std::string head = std::string(kPreviousLogName) + ".";
  const std::string tail = ".del";
  if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  for (std::size_t i = head.size(); i < name.size() - tail.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// Deletes the previous generation and makes the current one the previous.
// Failures are ignored: the current file then grows on, and the next call
// tries again.
void Rotate(const std::string& directory, const std::string& currentPath,
            const std::string& previousPath) {
  Files& files = *Os().files;
  // An aside file that could be neither deleted nor named back, or whose
  // writer died in between, would stay for good: each rotation deletes
  // those it finds.
  for (const std::string& name : files.FileNames(directory, kPreviousLogName)) {
    if (IsAsideName(name)) files.RemoveFile(directory + kPathSeparator + name);
  }
  // A file another program holds open with delete sharing keeps its name
  // after a delete until that program closes it, and the move onto the name
  // would fail as long. Renamed to a name of its own first, it frees the
  // name at once. The writers rotate one at a time, under the lock; a name
  // still taken only means the plain delete below.
  const std::string aside =
      previousPath + "." + std::to_string(Os().clock->TickCount()) + ".del";
  if (files.RenameFile(previousPath, aside)) {
    // A file that cannot be deleted stays under the name the administrator knows.
    if (!files.RemoveFile(aside)) files.RenameFile(aside, previousPath);
  } else {
    files.RemoveFile(previousPath);
  }
  files.RenameFile(currentPath, previousPath);
}

void ReportNotOpened(const std::string& path, const std::string& error) {
  ReportToEventLog("The file '" + path + "' was not opened. Error: " + error, kEventError);
}

// A lock or log file refused for its owner or rights, or a lock file that
// cannot be opened at all (LogDir names a folder that is not there), stays so
// line after line until an administrator acts: the event log hears of it at
// the first line, when the reason changes, and then at most once an hour, not
// at every line (someone who planted the file could otherwise flood it).
class NotOpenedNotice {
 public:
  bool Due(const std::string& what) {
    LockGuard hold(lock_);
    if (what != last_) {
      last_ = what;
      limit_.Clear();
    }
    refused_.store(true, std::memory_order_relaxed);
    return limit_.Due(Os().clock->TickCount());
  }
  // At every line written: the lock is taken only after a failure.
  void Clear() {
    if (!refused_.load(std::memory_order_relaxed)) return;
    LockGuard hold(lock_);
    refused_.store(false, std::memory_order_relaxed);
    last_.clear();
    limit_.Clear();
  }

 private:
  std::atomic<bool> refused_{false};
  Lock lock_;
  std::string last_;
  RepeatLimit limit_{60 * 60 * 1000};
};

NotOpenedNotice lockNotOpened;
NotOpenedNotice logRefused;

void ReportLimited(NotOpenedNotice& notice, const std::string& path, const std::string& error) {
  if (notice.Due(path + '\n' + error)) ReportNotOpened(path, error);
}

// Holding the lock: moves an overfull current log aside, then appends.
void AppendLine(const std::string& directory, const std::string& currentPath,
                const std::string& previousPath, const std::string& line) {
  Files& files = *Os().files;
  std::uint64_t size = 0;
  if (files.FileSize(currentPath, &size) && size > kRotationLimit) {
    Rotate(directory, currentPath, previousPath);
  }
  if (!files.AppendToFile(currentPath, line)) {
    Console& console = *Os().console;
    console.Write(Stream::Error, "Can't open file \"" + currentPath + "\".\n");
    console.Flush(Stream::Error);
    // A log file that is there but not the program's to write (a link,
    // another user's file): the log cannot say so, the event log does.
    const std::string refusal = files.OpenRefusal();
    if (!refusal.empty()) ReportLimited(logRefused, currentPath, "it " + refusal);
  } else {
    logRefused.Clear();
  }
}

// The line stamped already, written under the lock.
int WriteLine(const std::string& directory, const std::string& stamp, const std::string& message) {
  const std::string currentPath = directory + kPathSeparator + kCurrentLogName;
  const std::string previousPath = directory + kPathSeparator + kPreviousLogName;
  const std::string lockPath = directory + kPathSeparator + kLockFileName;

  ByteLock& lock = *Os().byteLock;
  LockHandle handle = 0;
  int error = 0;
  if (!lock.OpenLockFile(lockPath, &handle, &error)) {
    const std::string refusal = lock.OpenRefusal();
    ReportLimited(lockNotOpened, lockPath, refusal.empty() ? ErrnoText(error) : "it " + refusal);
    return kLogLockFileNotOpened;
  }
  lockNotOpened.Clear();

  bool locked = false;
  for (int attempt = 0; attempt < kLockAttempts && !locked; ++attempt) {
    locked = lock.TryLockByte(handle, &error);
    if (!locked) Os().clock->SleepMs(kLockRetryMs);
  }
  if (!locked) {
    ReportToEventLog("The file '" + lockPath + "' could not be locked. " + ErrnoText(error),
                     kEventError);
    lock.CloseLockFile(handle);
    return kLogNotLocked;
  }

  AppendLine(directory, currentPath, previousPath, FormatLogLine(stamp, message));

  lock.UnlockByte(handle);
  lock.CloseLockFile(handle);
  return kLogWritten;
}

}  // namespace

int WriteLog(std::string message) {
  if (Diverted(message)) return kLogWritten;
  const std::string directory = LogDirectory();
  // Stamped before waiting for the lock: a line carries the time of the call.
  const std::string stamp = FormatTimeStamp(Os().clock->Now());
  if (HeldForAttempt(stamp, message)) return kLogWritten;
  return WriteLine(directory, stamp, message);
}

int WriteStampedLog(const std::string& stamp, const std::string& message) {
  return WriteLine(LogDirectory(), stamp, message);
}

}  // namespace kestro
