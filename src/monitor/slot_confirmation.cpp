#include "monitor/slot_confirmation.h"

#include "log/write_log.h"

namespace kestro {

SweepVerdict SlotConfirmation::Take(int number, SweepVerdict verdict, const ActionSlot& slot,
                                    bool used) {
  if (!used || slot.Service != service_ || slot.Command != command_ ||
      slot.Argument != argument_) {
    *this = SlotConfirmation();
    if (!used) return verdict;
    service_ = slot.Service;
    command_ = slot.Command;
    argument_ = slot.Argument;
  }
  const bool healthy = verdict == Healthy;
  if (!known_ || healthy == ActedStart()) {
    known_ = true;
    acted_ = verdict;  // the same word; a stop keeps its latest reason
    pending_ = 0;
    needed_ = 1;
    return acted_;
  }
  const std::uint32_t count = healthy ? slot.StartAfter : slot.StopAfter;
  needed_ = count == 0 ? 1 : count;
  // Read again at every pass: a count lowered meanwhile confirms at once.
  if (++pending_ >= needed_) {
    acted_ = verdict;
    pending_ = 0;
    needed_ = 1;
    return acted_;
  }
  WriteLog(PendingChangeLine(number, healthy, pending_, needed_));
  return acted_;
}

std::string PendingChangeLine(int number, bool toStart, std::uint32_t pending,
                              std::uint32_t needed) {
  return "Slot " + std::to_string(number) + ": the sweep " +
         (toStart ? "met its limits, " : "failed its limits, ") + std::to_string(pending) +
         " of " + std::to_string(needed) + (toStart ? " before starting" : " before stopping");
}

}  // namespace kestro
