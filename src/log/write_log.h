#pragma once
#include <cstdint>
#include <string>

namespace kestro {

inline constexpr char kCurrentLogName[] = "Kestro-2.txt";
inline constexpr char kPreviousLogName[] = "Kestro-1.txt";
inline constexpr char kLockFileName[] = "Kestro.lck";

// The current log is rotated when it is strictly larger than this.
inline constexpr std::uint64_t kRotationLimit = 1048576;
inline constexpr int kLockAttempts = 60;
inline constexpr std::uint32_t kLockRetryMs = 1000;

// WriteLog results.
inline constexpr int kLogWritten = 0;
inline constexpr int kLogLockFileNotOpened = 1;
inline constexpr int kLogNotLocked = 2;

// Appends one time-stamped line to the current log file under the lock that
// every writer of the log directory shares, in this and other processes.
// Returns 0 when written (and when the log file itself cannot be opened,
// which is reported on standard error), 1 when the lock file cannot be
// opened, 2 when the lock is not obtained in 60 attempts.
int WriteLog(std::string message);

// The same for a line stamped earlier: one that was held back
// (repeated_attempt.h) keeps the time it was logged at.
int WriteStampedLog(const std::string& stamp, const std::string& message);

}  // namespace kestro
