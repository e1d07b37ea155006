#include "probe/ping_statistics.h"

#include <cstdio>

#include "log/write_log.h"

namespace kestro {
namespace {

std::string Format(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Format(const char* format, float value) {
  char text[128];
  std::snprintf(text, sizeof text, format, static_cast<double>(value));
  return text;
}

}  // namespace

void PingStatistics::AppendErrorText(const std::string& message) {
  if (!ErrorText.empty()) ErrorText += ' ';
  ErrorText += message;
}

void PingStatistics::RecordReply(std::uint32_t milliseconds) {
  const float t = static_cast<float>(milliseconds);
  --TimeoutCount;
  if (t <= MinTime) MinTime = t;
  if (t >= MaxTime) MaxTime = t;
  SumTime += t;
}

void PingStatistics::FinishSweep() {
  // Each unanswered request adds the time-out in seconds to a sum of
  // milliseconds: the measure the slot limits have always been set against.
  SumTime = static_cast<float>(TimeoutCount) * Timeout + SumTime;
  if (SumTime < 1.0f) SumTime = 1.0f;
  AvgTime = SumTime / static_cast<float>(TotalCount);
  // Every request sent counts, answered or not. In 64 bits no count and no
  // packet size can overflow the product; the figures are the same wherever
  // 32 bits sufficed.
  const std::int64_t bytes =
      static_cast<std::int64_t>(TotalCount) * (static_cast<std::int64_t>(PacketSize) + 12);
  BytesPerSecond = static_cast<float>(bytes) / SumTime;
}

void PingStatistics::WriteReport() const {
  WriteLog("ErrorText " + ErrorText);
  WriteLog(Format("ErrorCode %d", ErrorCode));
  // "Packets" counts the answers received.
  WriteLog(Format("Packets %d", TotalCount - TimeoutCount));
  WriteLog(Format("PacketSize %d", PacketSize));
  WriteLog(Format("TotalCount %d", TotalCount));
  WriteLog(Format("TimeoutCount %d", TimeoutCount));
  WriteLog(Format("MinTime %.02f", MinTime));
  WriteLog(Format("MaxTime %.02f", MaxTime));
  WriteLog(Format("AvgTime %.02f", AvgTime));
  WriteLog(Format("Timeout %.02f", Timeout));
  WriteLog(Format("SumTime %.02f", SumTime));
  WriteLog(Format("BytesPerSecond %.02f", BytesPerSecond));
  if (ProbePort != 0) WriteLog(Format("ProbePort %d", ProbePort));
}

}  // namespace kestro
