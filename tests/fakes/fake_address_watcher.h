#pragma once
#include <deque>
#include <functional>

#include "fakes/fault_plan.h"
#include "platform/address_watcher.h"

namespace kestro::testing {

// Each wait takes the next scripted outcome; snapshots are scripted too.
// When a script runs out the watcher throws Exhausted, which ends a test's
// run of the endless watcher loop. Calls: NotifyAddrChange, GetIpAddrTable.
class FakeAddressWatcher : public AddressWatcher {
 public:
  struct Exhausted {};
  explicit FakeAddressWatcher(FaultPlan& plan) : plan_(plan) {}
  std::deque<bool> waits;
  std::deque<std::string> tables;

  bool WaitForChange() override {
    if (plan_.Enter("NotifyAddrChange")) return false;
    if (waits.empty()) throw Exhausted{};
    const bool changed = waits.front();
    waits.pop_front();
    return changed;
  }
  bool Snapshot(std::string* table) override {
    plan_.Enter("GetIpAddrTable");
    if (tables.empty()) throw Exhausted{};
    *table = tables.front();
    tables.pop_front();
    return true;
  }

 private:
  FaultPlan& plan_;
};

}  // namespace kestro::testing
