#pragma once
// A look-up whose first success is kept for the life of the process, and
// whose failure is asked again, at most once per `retryMs`: the computer
// account of a domain is not known at boot until the domain's controller
// answers, and asking it at every log line would hold each line up.
#include <cstdint>

#include "platform/lock.h"

namespace kestro {

template <typename Value>
class SuccessCache {
 public:
  explicit SuccessCache(std::uint32_t retryMs) : retryMs_(retryMs) {}
  // `lookUp(Value*)` says whether it found the value; `now` is a tick count.
  template <typename LookUp>
  const Value* Get(std::uint32_t now, LookUp lookUp) {
    LockGuard hold(lock_);
    if (!known_ && (!asked_ || now - lastAsked_ >= retryMs_)) {
      asked_ = true;
      lastAsked_ = now;
      known_ = lookUp(&value_);
    }
    return known_ ? &value_ : nullptr;
  }

 private:
  Lock lock_;
  const std::uint32_t retryMs_;
  Value value_{};
  bool known_ = false;
  bool asked_ = false;
  std::uint32_t lastAsked_ = 0;
};

}  // namespace kestro
