#pragma once
#include <cstdint>
#include <string>

namespace kestro {

inline constexpr int kSlotCount = 3;

// One slot's view of the settings: what to start or stop and its limits.
struct ActionSlot {
  std::string Service;
  std::uint32_t PingResponse = 20;
  std::uint32_t PingTimeOut = 1;
  std::string Command;
  std::string Argument;
  // Sweeps in a row that must fail (stop) or meet (start) the limits
  // before the slot changes its word; 0 counts as 1.
  std::uint32_t StopAfter = 1;
  std::uint32_t StartAfter = 1;
};

// Every setting of the registry key, at its default (from the table of
// settings) until read.
struct MonitorSettings {
  MonitorSettings();

  std::uint32_t PingPacketSize;
  std::string Service[kSlotCount];
  std::string Command[kSlotCount];
  std::string Argument[kSlotCount];
  std::uint32_t PingResponse[kSlotCount];
  std::uint32_t PingTimeOut[kSlotCount];
  std::uint32_t PingDelay;
  std::uint32_t NumberOfPingSweeps;
  // Where every pass leaves its figures for a metrics collector; empty: nowhere.
  std::string MetricsFile;
  // Spreading a site's passes and confirming a change; all optional.
  std::uint32_t PassSplay;  // seconds: a random wait of up to this before a pass
  std::uint32_t StopAfter[kSlotCount];
  std::uint32_t StartAfter[kSlotCount];
  std::uint32_t RecheckDelay;  // seconds: the next pass while a slot is stopped or pending; 0: hourly
  // Running on a fleet; optional as the others.
  std::uint32_t PassInterval;   // seconds between timed passes; 0: the hour
  std::uint32_t Observe;        // 1: judge and count, but start, stop and run nothing
  std::uint32_t EventOnChange;  // 1: an event entry whenever a slot changes its word
  // The staging server's TCP port to sweep with connects instead of echo
  // requests; 0: echo requests. Optional as the others.
  std::uint32_t ProbePort;

  // Slot 1, 2 or 3.
  ActionSlot Slot(int number) const;
};

// Refreshes `settings` from the registry, value by value in the order of
// the table of settings: each value from the policy key where it is set
// there, else from the own key. Without either key nothing changes and
// nothing is logged; a value that cannot be read keeps its previous value and
// logs "Could not read " with its path (a policy value that cannot be read:
// with the policy key's, and the own key's is used). An optional value that
// is missing means its default, without a line.
void LoadSettings(MonitorSettings& settings);

}  // namespace kestro
