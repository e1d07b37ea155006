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

  // Slot 1, 2 or 3.
  ActionSlot Slot(int number) const;
};

// Refreshes `settings` from the registry. A missing key changes nothing and
// logs nothing; a value that cannot be read keeps its previous value and logs
// "Could not read " with its path. MetricsFile is optional: a missing value
// means none, without a line.
void LoadSettings(MonitorSettings& settings);

}  // namespace kestro
