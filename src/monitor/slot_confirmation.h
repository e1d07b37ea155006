#pragma once
#include <cstdint>
#include <string>

#include "monitor/judge_sweep.h"
#include "settings/monitor_settings.h"

namespace kestro {

// What one slot last acted on, and how many sweeps in a row have disagreed
// with it since. A slot changes its word only once StopAfter failed sweeps
// (or StartAfter good ones) agree; until then it keeps acting as before.
class SlotConfirmation {
 public:
  // Takes the pass's verdict for slot `number` and returns the verdict to act
  // on. The first verdict is acted on at once, and so is the first after a
  // pass without `used` or with another service, command or argument: what
  // a slot did before is no reason to hold back what it now names. While a
  // change waits for more sweeps, logs "Slot N: the sweep failed its limits,
  // P of C before stopping" (or "met its limits ... before starting").
  SweepVerdict Take(int number, SweepVerdict verdict, const ActionSlot& slot, bool used);

  bool Known() const { return known_; }
  // The word last acted on: true for "start".
  bool ActedStart() const { return acted_ == Healthy; }
  // Sweeps in a row so far against the word acted on, and how many a change needs.
  std::uint32_t Pending() const { return pending_; }
  std::uint32_t Needed() const { return needed_; }

 private:
  bool known_ = false;
  SweepVerdict acted_ = Healthy;
  std::uint32_t pending_ = 0;
  std::uint32_t needed_ = 1;
  // What the slot named when it acted.
  std::string service_, command_, argument_;
};

// "Slot 2: the sweep failed its limits, 1 of 3 before stopping"; the start
// side says "met its limits" and "before starting".
std::string PendingChangeLine(int number, bool toStart, std::uint32_t pending,
                              std::uint32_t needed);

}  // namespace kestro
