// Service names, states and the service's unit file as systemd sees them.
#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "platform/posix/systemd_bus.h"
#include "platform/posix/systemd_units.h"
#include "platform/posix/unit_settings.h"
#include "platform/service_manager.h"

namespace kestro {
namespace {

TEST(SystemdUnitsTest, ServiceNamesBecomeServiceUnitsUnlessTheyNameAUnit) {
  const std::pair<const char*, const char*> rows[] = {
      {"ssh", "ssh.service"},
      {"getty@tty1", "getty@tty1.service"},
      {"ssh.service", "ssh.service"},
      {"cups.socket", "cups.socket"},
      {"fstrim.timer", "fstrim.timer"},
      {"my.service.d", "my.service.d.service"},
      {".service", ".service.service"},  // a suffix alone names no unit
  };
  for (const auto& row : rows) EXPECT_EQ(row.second, UnitName(row.first)) << row.first;
}

TEST(SystemdUnitsTest, ANameIsTriedAsGivenThenInLowerCase) {
  EXPECT_EQ((std::vector<std::string>{"Kestro.service", "kestro.service"}), UnitCandidates("Kestro"));
  EXPECT_EQ((std::vector<std::string>{"NetworkManager.service", "networkmanager.service"}),
            UnitCandidates("NetworkManager"));
  EXPECT_EQ((std::vector<std::string>{"ssh.service"}), UnitCandidates("ssh"));
  EXPECT_EQ("kestro.service", CreatedUnitName("Kestro"));
}

TEST(SystemdUnitsTest, UnitStatesMapOntoTheFourServiceStates) {
  struct Row {
    const char* active;
    const char* sub;
    std::uint32_t state;
  };
  const Row rows[] = {
      {"active", "running", kServiceRunning},
      {"active", "exited", kServiceRunning},  // a oneshot that remains
      {"inactive", "dead", kServiceStopped},
      {"failed", "failed", kServiceStopped},
      {"activating", "start", kServiceStartPending},
      {"activating", "start-pre", kServiceStartPending},
      {"activating", "auto-restart", kServiceStopped},
      {"reloading", "reload", kServiceStartPending},
      {"deactivating", "stop-sigterm", kServiceStopPending},
      {"maintenance", "", 0},
      {"", "", 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.state, ServiceStateOfUnit(r.active, r.sub)) << r.active << "/" << r.sub;
  }
}

// A pending job says more than the state: a start job waiting for a
// dependency leaves the unit inactive, a stop job waiting for a dependent
// leaves it active. A oneshot unit that ran to success is inactive again.
TEST(SystemdUnitsTest, APendingJobOrAOneshotRunComesBeforeTheState) {
  struct Row {
    UnitStatus unit;
    std::uint32_t state;
  };
  const Row rows[] = {
      {{"inactive", "dead", "start", false}, kServiceStartPending},
      {{"failed", "failed", "restart", false}, kServiceStartPending},
      {{"active", "running", "stop", false}, kServiceStopPending},
      {{"activating", "start", "stop", false}, kServiceStopPending},
      {{"active", "running", "reload", false}, kServiceRunning},
      {{"inactive", "dead", "verify-active", false}, kServiceStopped},
      {{"inactive", "dead", "", true}, kServiceRunning},
      {{"activating", "auto-restart", "", false}, kServiceStopped},
      {{"deactivating", "stop-sigterm", "", true}, kServiceStopPending},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.state, ServiceStateOfUnit(r.unit))
        << r.unit.activeState << "/" << r.unit.subState << " job " << r.unit.jobType;
  }
}

TEST(SystemdUnitsTest, PercentSignsStayLiteral) {
  // Unescaped, "%h" would be replaced by systemd with a home directory.
  const std::string text = UnitFileText("100% up", "/opt/%h/kestro -service");
  EXPECT_NE(std::string::npos, text.find("Description=100%% up\n"));
  EXPECT_NE(std::string::npos, text.find("ExecStart=/opt/%%h/kestro -service\n"));
}

TEST(SystemdUnitsTest, TheUnitSaysWhereTheServiceMayNotWriteAndWhereItsEnvironmentIs) {
  const std::string packaged = UnitFileText("Kestro", "/usr/sbin/kestro -service");
  const std::string strict =
      "[Service]\nProtectSystem=strict\nReadWritePaths=-/srv/out/ /etc/kestro-logs\n"
      "ReadOnlyPaths=/srv/out/keep\nLogsDirectory=kestro\nInaccessiblePaths=-/var/log/kestro/x\n";
  const struct {
    const std::string& unit;
    const char* path;
    const char* setting;
  } rows[] = {
      {packaged, "/var/log/kestro", ""},
      {packaged, "/etc/kestro", "ProtectSystem=full"},
      {packaged, "/usr/local/logs", "ProtectSystem=full"},
      {packaged, "/home/ops", "ProtectHome=read-only"},
      {packaged, "/homestead", ""},
      {packaged, "/var/lib/prometheus/node-exporter", ""},
      {strict, "/opt", "ProtectSystem=strict"},
      {strict, "/srv/out/a", ""},
      {strict, "/srv/out/keep/a", "ReadOnlyPaths=/srv/out/keep"},
      {strict, "/etc/kestro-logs", ""},
      {strict, "/var/log/kestro", ""},
      {strict, "/var/log/kestro/x", "InaccessiblePaths=-/var/log/kestro/x"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.setting, UnitWriteProblem(row.unit, row.path)) << row.path;
  EXPECT_EQ("/etc/default/kestro", UnitEnvironmentFile(packaged));
  std::string value;
  EXPECT_TRUE(
      EnvironmentFileValue("# OXLROOT=/no\n OXLROOT = /a\nOXLROOT=\"/opt/b c\"\n", "OXLROOT", &value));
  EXPECT_EQ("/opt/b c", value);
  EXPECT_FALSE(
      EnvironmentFileValue("#OXLROOT=/opt/agent\nKESTRO_REGISTRY=/r\n", "OXLROOT", &value));
}

// A call that finds systemd away is made every 250 ms for 10 s, then its
// failure stands; one that fails otherwise is made once.
TEST(SystemdUnitsTest, BusCallsAreRetriedOnTheClockWhileSystemdIsAway) {
  testing::FaultPlan plan;
  testing::FakeClock clock(plan);
  int calls = 0;
  EXPECT_EQ(-5, RetryWhileAway(clock, [&] { return ++calls < 4 ? -1 : -5; },
                               [](int r) { return r == -1; }));
  EXPECT_EQ(4, calls);
  EXPECT_EQ(750u, clock.sleptMs);
  calls = 0;
  EXPECT_EQ(-1, RetryWhileAway(clock, [&] { return ++calls, -1; }, [](int) { return true; }));
  EXPECT_EQ(41, calls);
  EXPECT_EQ(750u + 10000u, clock.sleptMs);
}

}  // namespace
}  // namespace kestro
