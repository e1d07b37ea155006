// The settings template read through the Linux settings store: every value
// at its documented default, none unreadable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/fake_system.h"
#include "log/log_directory.h"
#include "platform/posix/registry_posix.h"
#include "platform/host.h"
#include "settings/expect_defaults.h"
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
  settings.StopAfter[0] = 3;  // a machine that had the fleet profile is reset
  settings.PassSplay = 120;
  LoadSettings(settings);
  testing::ExpectDefaults(settings);
  EXPECT_TRUE(sys.files.contents.empty());  // no "Could not read " line
  EXPECT_EQ(kDefaultLogDir, LogDirectory());  // LogDir left out means the default
  unsetenv("KESTRO_REGISTRY");
}

}  // namespace
}  // namespace kestro
