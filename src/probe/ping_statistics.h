#pragma once
#include <cstdint>
#include <string>

namespace kestro {

// The result of one echo sweep, written by the sweep and read by the report
// and the slot decision.
struct PingStatistics {
  std::int32_t ErrorCode = 0;
  std::int32_t TotalCount = 0;
  std::int32_t TimeoutCount = 0;
  std::int32_t PacketSize = 1024;
  float MinTime = 99999.0f;
  float MaxTime = -99999.0f;
  float AvgTime = 99999.0f;
  float Timeout = 99999.0f;  // seconds
  float SumTime = 0.0f;
  float BytesPerSecond = 0.0f;
  std::string ErrorText;
  // The TCP port a connect sweep connected to; 0 for an echo sweep.
  std::int32_t ProbePort = 0;

  // Adds a message, after a blank when there is one already.
  void AppendErrorText(const std::string& message);
  // Takes one accepted answer of `milliseconds`.
  void RecordReply(std::uint32_t milliseconds);
  // Completes the sums once every request of the sweep has been handled.
  void FinishSweep();
  // Writes the twelve report lines to the log, and after them "ProbePort"
  // for a connect sweep.
  void WriteReport() const;
};

}  // namespace kestro
