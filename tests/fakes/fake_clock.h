#pragma once
#include "fakes/fault_plan.h"
#include "platform/clock.h"

namespace kestro::testing {

// Sleeps advance the clock at once; nothing waits for real.
class FakeClock : public Clock {
 public:
  explicit FakeClock(FaultPlan& plan) : plan_(plan) {}
  LocalTime now{2003, 7, 15, 14, 3, 27, 45};
  std::int64_t unixMs = 1058277807000;
  std::uint32_t tick = 5000;
  std::uint64_t sleptMs = 0;
  int sleeps = 0;

  LocalTime Now() override {
    plan_.Enter("GetLocalTime");
    return now;
  }
  // Read from the watcher thread too, while a pass sleeps on another.
  std::int32_t UnixTime() override {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<std::int32_t>(unixMs / 1000);
  }
  std::uint32_t TickCount() override {
    std::lock_guard<std::mutex> guard(mutex_);
    return tick;
  }
  // Time passing without a sleep, as in a wait for a socket.
  void Advance(std::uint32_t ms) {
    std::lock_guard<std::mutex> guard(mutex_);
    unixMs += ms;
    tick += ms;
  }
  void SleepMs(std::uint32_t ms) override {
    plan_.Enter("Sleep");
    std::lock_guard<std::mutex> guard(mutex_);
    unixMs += ms;
    tick += ms;
    sleptMs += ms;
    ++sleeps;
  }

 private:
  FaultPlan& plan_;
  std::mutex mutex_;
};

}  // namespace kestro::testing
