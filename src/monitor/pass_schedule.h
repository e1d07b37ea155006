#pragma once
#include <cstdint>

namespace kestro {

// A pass is due when the last one ended more than this many seconds ago,
// unless PassInterval says otherwise.
inline constexpr std::int32_t kPassInterval = 60 * 60;
// Neither a spread nor a recheck waits longer than an hour.
inline constexpr std::uint32_t kLongestWait = kPassInterval;
// The bounds of PassInterval: a minute and a day.
inline constexpr std::uint32_t kShortestPassInterval = 60;
inline constexpr std::uint32_t kLongestPassInterval = 24 * 60 * 60;

// The interval a PassInterval setting puts in force: 0 is the hour, less
// than a minute a minute, more than a day a day.
std::int32_t PassIntervalInForce(std::uint32_t passInterval);
// The longest wait a PassSplay setting puts in force.
std::uint32_t PassSplayInForce(std::uint32_t passSplay);

// When the next pass is due, and the random wait that holds back a due
// pass so that a site's machines do not all sweep in the same seconds.
// Without PassSplay and RecheckDelay it is the hourly schedule, nothing more.
class PassSchedule {
 public:
  // Seconds after the end of the last pass when the next timed one is due
  // (strictly later, as the hourly test).
  std::int32_t Interval() const { return interval_; }
  // True when the next timed pass is a recheck: it is not spread.
  bool Recheck() const { return recheck_; }

  // Asked by the driver of a due pass: true when it may begin now. A pass
  // that is `spread` first waits a random time of up to `passSplay` seconds
  // (at most an hour), counted from its first asking; the driver keeps
  // ticking meanwhile, so a stop is answered as before. Once begun, a pass
  // is not held again until one has ended. Without a spread nothing is
  // read or drawn.
  bool MayBegin(bool spread, std::uint32_t passSplay);

  // A pass ended: the next one is due after the interval `passInterval`
  // puts in force, or, when `recheck` and `recheckDelay` is set, after that
  // many seconds plus a random part of up to half of them (all at most an
  // hour, and never later than the interval).
  void PassEnded(bool recheck, std::uint32_t recheckDelay, std::uint32_t passInterval);

  // Whether a due pass is being held back, and the Unix time at which it
  // may begin.
  bool Holding() const { return holding_; }
  std::int32_t HeldUntil() const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(heldFrom_) + wait_);
  }
  std::uint32_t HoldSeconds() const { return wait_; }

 private:
  std::int32_t interval_ = kPassInterval;
  bool recheck_ = false;
  bool holding_ = false;
  bool begun_ = false;
  std::int32_t heldFrom_ = 0;
  std::uint32_t wait_ = 0;
};

// A random whole number from 0 to `most`, both included, from the
// platform's random source.
std::uint32_t RandomUpTo(std::uint32_t most);

}  // namespace kestro
