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

// Every setting of the registry key, at its default until read.
struct MonitorSettings {
  std::uint32_t PingPacketSize = 1024;
  std::string Service[kSlotCount];
  std::string Command[kSlotCount];
  std::string Argument[kSlotCount];
  std::uint32_t PingResponse[kSlotCount] = {20, 20, 20};
  std::uint32_t PingTimeOut[kSlotCount] = {1, 1, 1};
  std::uint32_t PingDelay = 5;
  std::uint32_t NumberOfPingSweeps = 7;
  // Where every pass leaves its figures for a metrics collector; empty: nowhere.
  std::string MetricsFile;
  // Spreading a site's passes and confirming a change; all optional, read
  // like MetricsFile: missing means the default, without a line.
  std::uint32_t PassSplay = 0;      // seconds: a random wait of up to this before a pass
  std::uint32_t StopAfter[kSlotCount] = {1, 1, 1};
  std::uint32_t StartAfter[kSlotCount] = {1, 1, 1};
  std::uint32_t RecheckDelay = 0;   // seconds: the next pass while a slot is stopped or pending; 0: hourly
  // The staging server's TCP port to sweep with connects instead of echo
  // requests; 0: echo requests. Optional as the others.
  std::uint32_t ProbePort = 0;

  // Slot 1, 2 or 3.
  ActionSlot Slot(int number) const;
};

// Refreshes `settings` from the registry. A missing key changes nothing and
// logs nothing; a value that cannot be read keeps its previous value and logs
// "Could not read " with its path. MetricsFile, PassSplay, StopAfterN,
// StartAfterN, RecheckDelay and ProbePort are optional: a missing value means the
// default, without a line.
void LoadSettings(MonitorSettings& settings);

}  // namespace kestro
