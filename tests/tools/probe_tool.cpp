// Runs one echo sweep on the real system and prints the record, so that
// scripts can check a sweep against a real host and capture it on the wire.
//   probe_tool HOST COUNT PACKETSIZE [TIMEOUT_SECONDS [PORT]]
// With a PORT, the sweep connects to that TCP port instead (PACKETSIZE unused).
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "probe/connect_sweep.h"
#include "probe/probe_host.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: probe_tool HOST COUNT PACKETSIZE [TIMEOUT_SECONDS [PORT]]\n");
    return 2;
  }
  kestro::SetPlatform(kestro::SystemPlatform());
  kestro::PingStatistics stats;
  const int timeout = argc > 4 ? std::atoi(argv[4]) : 2;
  const int port = argc > 5 ? std::atoi(argv[5]) : 0;
  const int result =
      port != 0 ? kestro::ProbeConnect(stats, argv[1], port, std::atoi(argv[2]), timeout, 0)
                : kestro::ProbeHost(stats, argv[1], std::atoi(argv[3]), std::atoi(argv[2]), timeout, 0);
  stats.WriteReport();
  std::printf("Result %d\nErrorCode %d\nTotalCount %d\nTimeoutCount %d\nMinTime %.02f\n"
              "MaxTime %.02f\nAvgTime %.02f\nSumTime %.02f\nErrorText %s\n",
              result, stats.ErrorCode, stats.TotalCount, stats.TimeoutCount,
              static_cast<double>(stats.MinTime), static_cast<double>(stats.MaxTime),
              static_cast<double>(stats.AvgTime), static_cast<double>(stats.SumTime),
              stats.ErrorText.c_str());
  return result;
}
