// Service names, states and the service's unit file as systemd sees them.
#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "platform/posix/systemd_bus.h"
#include "platform/posix/systemd_units.h"
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
