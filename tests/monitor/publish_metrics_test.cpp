// The metrics file at the end of every pass, on fakes: written in place in
// one step, and a failure costs one line and nothing else.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/fake_system.h"
#include "monitor/monitor.h"

namespace kestro {
namespace {

using testing::FakeSystem;

const char kKey[] = "SOFTWARE\\Morvane\\Kestro";
const char kProm[] = "/var/lib/prometheus/node-exporter/kestro.prom";
const char kTemp[] = "/var/lib/prometheus/node-exporter/kestro.prom.tmp";

class PublishMetricsTest : public ::testing::Test {
 protected:
  PublishMetricsTest() {
    sys.Install();
    sys.environment.variables["OXLROOT"] = "/agent";
    sys.sharedFile.files["/agent/OXL/CONF/OXL.CNF"] = "[PEERHOSTS]\nOXLUILSR=staging\n";
    sys.sockets.names["staging"] = testing::Ipv4(192, 0, 2, 7);
    sys.sockets.answerAfterMs = 2;
    sys.registry.SetText(kKey, "MetricsFile", kProm);
    sys.registry.SetText(kKey, "Command2", "/bin/c2");
    sys.lastError.messages[5] = "Access is denied.\r\n";
    app = std::make_unique<Monitor>();
  }
  bool Logged(const std::string& text) {
    const auto lines = sys.LogMessages();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  std::string Prom() { return sys.files.contents.count(kProm) ? sys.files.contents[kProm] : ""; }

  FakeSystem sys;
  std::unique_ptr<Monitor> app;
};

TEST_F(PublishMetricsTest, EveryPassReplacesTheFileThroughATemporaryOne) {
  sys.files.contents[kTemp] = "left by a pass cut off";
  sys.plan.ClearCalls();
  EXPECT_EQ(0, app->CheckCycle());
  const auto calls = sys.plan.Calls();
  const auto create = std::find(calls.begin(), calls.end(), "CreateFileA");
  ASSERT_NE(calls.end(), create);
  EXPECT_EQ("DeleteFile", *(create - 1));
  EXPECT_EQ("WriteFile", *(create + 1));
  EXPECT_EQ("MoveFileExA", *(create + 2));
  EXPECT_EQ(0u, sys.files.contents.count(kTemp));
  EXPECT_NE(std::string::npos, Prom().find("\nkestro_passes_total 1\n"));
  EXPECT_NE(std::string::npos, Prom().find("\nkestro_slot_start{slot=\"2\"} 1\n"));
  EXPECT_NE(std::string::npos,
            Prom().find("\nkestro_last_pass_timestamp_seconds " +
                        std::to_string(app->Supervisor.LastPassTime) + "\n"));

  // A pass without a staging server is counted and written too.
  sys.sharedFile.files.clear();
  EXPECT_EQ(2, app->CheckCycle());
  EXPECT_NE(std::string::npos, Prom().find("\nkestro_passes_total 2\n"));
  EXPECT_EQ(std::string::npos, Prom().find("kestro_sweep"));
  EXPECT_EQ(std::string::npos, Prom().find("kestro_slot"));
}

TEST_F(PublishMetricsTest, FailureIsOneLineAndThePassGoesOn) {
  const struct {
    const char* call;
    std::uint32_t error;
    const char* line;
  } cases[] = {
      {"CreateFileA", 5, " - Access is denied. (0x5)"},
      {"WriteFile", 5, " - Access is denied. (0x5)"},
      {"MoveFileExA", 5, " - Access is denied. (0x5)"},
      {"CreateFileA", 4242, " - "},  // an error without a text
  };
  for (const auto& c : cases) {
    sys.files.contents[kProm] = "the last pass's figures\n";
    sys.files.contents.erase("/var/log/kestro/Kestro-2.txt");
    sys.plan.Fail(c.call, 1, false, c.error);
    sys.plan.ClearCalls();
    EXPECT_EQ(0, app->CheckCycle()) << c.call;
    EXPECT_TRUE(Logged(std::string("Could not write metrics file ") + kProm + c.line)) << c.call;
    EXPECT_TRUE(Logged("Executing command /bin/c2  CommandLine:  start")) << c.call;
    EXPECT_EQ(sys.clock.UnixTime(), app->Supervisor.LastPassTime) << c.call;
    EXPECT_EQ("the last pass's figures\n", Prom()) << c.call;
    EXPECT_EQ(0u, sys.files.contents.count(kTemp)) << c.call;
    sys.plan.Fail(c.call, 0);  // disarmed
  }
  // The next pass writes again.
  app->CheckCycle();
  EXPECT_NE(std::string::npos, Prom().find("\nkestro_passes_total 5\n"));
}

// Missing, empty text, a number: off each time; only the number is a fault.
TEST_F(PublishMetricsTest, SettingIsOptional) {
  for (int as = 0; as < 3; ++as) {
    sys.files.contents.clear();
    sys.registry.RemoveValue(kKey, "MetricsFile");
    if (as == 1) sys.registry.SetText(kKey, "MetricsFile", "");
    if (as == 2) sys.registry.SetDword(kKey, "MetricsFile", 1);
    sys.plan.ClearCalls();
    Monitor().CheckCycle();
    EXPECT_EQ(0, sys.plan.Count("CreateFileA")) << as;
    EXPECT_EQ(as == 2, Logged("Could not read SOFTWARE\\Morvane\\Kestro\\MetricsFile")) << as;
  }
}

}  // namespace
}  // namespace kestro
