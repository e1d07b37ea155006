#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "probe/ping_statistics.h"

namespace kestro {

// What one slot was told to do in a pass, and how that went.
struct SlotFigures {
  int Number = 0;
  bool Start = false;      // the sweep was healthy for this slot
  bool Succeeded = false;  // its service reached the state and its command ended with 0
  bool ActedStart = false; // the word it acted on, once StopAfter/StartAfter sweeps agreed
  std::uint32_t Pending = 0;  // sweeps in a row so far toward changing that word
};

// Everything the metrics file shows about one pass and the program so far.
struct PassFigures {
  std::int32_t EndTime = 0;  // Unix seconds
  std::uint32_t Passes = 0;
  std::uint32_t AddressChanges = 0;
  std::string Version;
  // False when the pass found no staging server: no sweep, no slot acted.
  bool Swept = false;
  std::string Server;
  PingStatistics Sweep;
  std::vector<SlotFigures> Slots;  // only the slots with a service or a command
  // True when a slot's change needs more than one sweep: the acted word and
  // the pending count are shown then.
  bool Confirming = false;
  // The schedule in force, where PassInterval or PassSplay is set (else 0):
  // the seconds from a pass's end to the next timed one, and the longest
  // random wait before a due pass begins.
  std::int32_t PassInterval = 0;
  std::uint32_t PassSplay = 0;
  // Unix time at which a pass held back by PassSplay begins; 0: none held.
  std::int32_t HeldUntil = 0;
  // Observe is set: the slots are judged and counted, nothing is acted on.
  bool Observing = false;
};

}  // namespace kestro
