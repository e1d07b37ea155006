#include "monitor/pass_schedule.h"

#include "platform/platform.h"

namespace kestro {
namespace {

std::uint32_t AtMostAnHour(std::uint32_t seconds) {
  return seconds < kLongestWait ? seconds : kLongestWait;
}

}  // namespace

std::int32_t PassIntervalInForce(std::uint32_t passInterval) {
  if (passInterval == 0) return kPassInterval;
  if (passInterval < kShortestPassInterval) return kShortestPassInterval;
  return static_cast<std::int32_t>(passInterval < kLongestPassInterval ? passInterval
                                                                       : kLongestPassInterval);
}

std::uint32_t PassSplayInForce(std::uint32_t passSplay) { return AtMostAnHour(passSplay); }

std::uint32_t RandomUpTo(std::uint32_t most) {
  if (most == 0) return 0;
  // Two draws of 31 bits: wide enough for any span without a visible bias.
  const std::uint64_t high = static_cast<std::uint32_t>(Os().random->Next());
  const std::uint64_t low = static_cast<std::uint32_t>(Os().random->Next());
  return static_cast<std::uint32_t>((high << 31 | low) % (static_cast<std::uint64_t>(most) + 1));
}

bool PassSchedule::MayBegin(bool spread, std::uint32_t passSplay) {
  if (begun_) return true;
  if (!spread || (!holding_ && passSplay == 0)) {
    holding_ = false;
    return true;
  }
  const std::int32_t now = Os().clock->UnixTime();
  if (!holding_) {
    holding_ = true;
    heldFrom_ = now;
    wait_ = RandomUpTo(PassSplayInForce(passSplay));
  }
  // In wrapping signed seconds; a clock set back ends the wait.
  const std::int32_t waited =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(heldFrom_));
  if (waited >= 0 && static_cast<std::uint32_t>(waited) < wait_) return false;
  holding_ = false;
  begun_ = true;
  return true;
}

void PassSchedule::PassEnded(bool recheck, std::uint32_t recheckDelay, std::uint32_t passInterval) {
  holding_ = false;
  begun_ = false;
  interval_ = PassIntervalInForce(passInterval);
  recheck_ = recheck && recheckDelay != 0;
  if (!recheck_) return;
  const std::uint32_t delay = AtMostAnHour(recheckDelay);
  const std::int32_t soon = static_cast<std::int32_t>(AtMostAnHour(delay + RandomUpTo(delay / 2)));
  // A recheck that would come after the timed pass is none: that one is due first.
  if (soon <= interval_) {
    interval_ = soon;
  } else {
    recheck_ = false;
  }
}

}  // namespace kestro
