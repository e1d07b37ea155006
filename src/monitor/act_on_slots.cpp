#include "monitor/monitor.h"

namespace kestro {
namespace {

bool Used(const ActionSlot& slot) { return !slot.Service.empty() || !slot.Command.empty(); }

}  // namespace

SlotVerdicts Monitor::ActOnSlots(const SlotVerdicts& verdicts, PassFigures& figures,
                                 SlotNotes& notes) {
  SlotVerdicts acted = verdicts;
  for (int n = 1; n <= kSlotCount; ++n) {
    const ActionSlot slot = Settings.Slot(n);
    SlotConfirmation& confirmation = Confirmations[n - 1];
    acted[n - 1] = confirmation.Take(n, verdicts[n - 1], slot, Used(slot));
    const bool succeeded = Settings.Observe != 0
                               ? ObserveSlot(n, acted[n - 1], slot)
                               : ApplySlot(acted[n - 1], slot.Service, slot.Command, slot.Argument);
    if (!Used(slot)) continue;
    if (slot.StopAfter > 1 || slot.StartAfter > 1) figures.Confirming = true;
    if (confirmation.Pending() > 0) {
      notes[n - 1] = std::string(confirmation.ActedStart() ? "stop " : "start ") +
                     std::to_string(confirmation.Pending()) + " of " +
                     std::to_string(confirmation.Needed());
    }
    figures.Slots.push_back({n, verdicts[n - 1] == Healthy, succeeded, confirmation.ActedStart(),
                             confirmation.Pending()});
  }
  return acted;
}

bool Monitor::RecheckWanted() const {
  for (int n = 1; n <= kSlotCount; ++n) {
    const SlotConfirmation& confirmation = Confirmations[n - 1];
    if (Used(Settings.Slot(n)) && (!confirmation.ActedStart() || confirmation.Pending() > 0))
      return true;
  }
  return false;
}

}  // namespace kestro
