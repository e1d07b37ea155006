#pragma once
// Checks that every setting holds its default.
#include <gtest/gtest.h>

#include "settings/monitor_settings.h"

namespace kestro::testing {

inline void ExpectDefaults(const MonitorSettings& s) {
  EXPECT_EQ(1024u, s.PingPacketSize);
  EXPECT_EQ(5u, s.PingDelay);
  EXPECT_EQ(7u, s.NumberOfPingSweeps);
  EXPECT_EQ("", s.MetricsFile);
  EXPECT_EQ(0u, s.PassSplay);
  EXPECT_EQ(0u, s.RecheckDelay);
  for (int n = 1; n <= kSlotCount; ++n) {
    const ActionSlot slot = s.Slot(n);
    EXPECT_EQ(20u, slot.PingResponse) << "slot " << n;
    EXPECT_EQ(1u, slot.PingTimeOut) << "slot " << n;
    EXPECT_EQ("", slot.Service) << "slot " << n;
    EXPECT_EQ("", slot.Command) << "slot " << n;
    EXPECT_EQ("", slot.Argument) << "slot " << n;
    EXPECT_EQ(1u, slot.StopAfter) << "slot " << n;
    EXPECT_EQ(1u, slot.StartAfter) << "slot " << n;
  }
}

}  // namespace kestro::testing
