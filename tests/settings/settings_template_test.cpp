// The settings template read through the Linux settings store: every value
// at its documented default, none unreadable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/fake_system.h"
#include "log/log_directory.h"
#include "platform/posix/registry_posix.h"
#include "platform/host.h"
#include "settings/monitor_settings.h"

namespace kestro {
namespace {

TEST(SettingsTemplate, GivesTheDefaultsWithoutAnUnreadableValue) {
  testing::FakeSystem sys;
  PosixRegistry registry;
  Platform table = sys.Table();
  table.registry = &registry;
  SetPlatform(table);
  ResetLogDirectory();
  setenv("KESTRO_REGISTRY", KESTRO_SOURCE_DIR "/docs/kestro-settings.reg", 1);

  MonitorSettings settings;
  settings.PingDelay = 99;  // so that a default must really be read
  settings.Service[0] = "not the default";
  LoadSettings(settings);
  EXPECT_EQ(1024u, settings.PingPacketSize);
  EXPECT_EQ(5u, settings.PingDelay);
  EXPECT_EQ(7u, settings.NumberOfPingSweeps);
  for (int n = 1; n <= kSlotCount; ++n) {
    const ActionSlot slot = settings.Slot(n);
    EXPECT_EQ(20u, slot.PingResponse);
    EXPECT_EQ(1u, slot.PingTimeOut);
    EXPECT_EQ("", slot.Service);
    EXPECT_EQ("", slot.Command);
    EXPECT_EQ("", slot.Argument);
  }
  EXPECT_TRUE(sys.files.contents.empty());  // no "Could not read " line
  EXPECT_EQ(kDefaultLogDir, LogDirectory());  // the empty LogDir means the default
  unsetenv("KESTRO_REGISTRY");
}

}  // namespace
}  // namespace kestro
