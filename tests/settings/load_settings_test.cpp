// Loading the settings: defaults, the query order, the previous-value rule
// and the texts that do or do not fit.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/fake_system.h"
#include "settings/expect_defaults.h"
#include "settings/monitor_settings.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

using testing::ExpectDefaults;
using testing::FakeSystem;

const char* const kQueryOrder[] = {
    "PingPacketSize", "PingResponse1", "PingResponse2", "PingResponse3", "PingTimeOut1",
    "PingTimeOut2",   "PingTimeOut3",  "PingDelay",     "NumberOfPingSweeps", "Service1",
    "Service2",       "Service3",      "Command1",      "Command2",      "Command3",
    "Argument1",      "Argument2",     "Argument3"};

class LoadSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { sys.Install(); }


  FakeSystem sys;
};

TEST_F(LoadSettingsTest, MissingKeyKeepsDefaultsSilently) {
  MonitorSettings s;
  LoadSettings(s);
  ExpectDefaults(s);
  EXPECT_TRUE(sys.files.contents.empty());
  // The own key, then the policy key: both missing.
  EXPECT_EQ(std::vector<std::string>(2, "RegOpenKeyExA"), sys.plan.Calls());
}

TEST_F(LoadSettingsTest, RefusedStoreKeepsDefaultsAndSaysWhyAtEveryLoad) {
  sys.registry.refusal = "The settings file \"/etc/kestro/kestro.reg\" is too large";
  MonitorSettings s;
  LoadSettings(s);
  LoadSettings(s);
  ExpectDefaults(s);
  EXPECT_EQ(std::vector<std::string>(2, sys.registry.refusal), sys.LogMessages());
}

TEST_F(LoadSettingsTest, EmptyKeyLogsEighteenLinesInQueryOrder) {
  sys.registry.AddKey(kSettingsKeyPath);
  MonitorSettings s;
  LoadSettings(s);
  ExpectDefaults(s);
  std::vector<std::string> expected;
  for (const char* name : kQueryOrder)
    expected.push_back(std::string("Could not read SOFTWARE\\Morvane\\Kestro\\") + name);
  EXPECT_EQ(expected, sys.LogMessages());
  EXPECT_EQ(0, sys.registry.OpenCount());
}

TEST_F(LoadSettingsTest, ReadsEveryValueIntoItsSlot) {
  const std::string key = kSettingsKeyPath;
  sys.registry.SetDword(key, "PingPacketSize", 0);
  sys.registry.SetDword(key, "PingDelay", 0);
  sys.registry.SetDword(key, "NumberOfPingSweeps", 0xFFFFFFFFu);
  for (int n = 1; n <= 3; ++n) {
    const std::string d = std::to_string(n);
    sys.registry.SetDword(key, "PingResponse" + d, 100 + n);
    sys.registry.SetDword(key, "PingTimeOut" + d, 200 + n);
    sys.registry.SetText(key, "Service" + d, "svc" + d);
    sys.registry.SetText(key, "Command" + d, "cmd" + d);
    sys.registry.SetText(key, "Argument" + d, "arg" + d);
  }
  MonitorSettings s;
  LoadSettings(s);
  EXPECT_TRUE(sys.LogMessages().empty());
  EXPECT_EQ(0u, s.PingPacketSize);
  EXPECT_EQ(0u, s.PingDelay);
  EXPECT_EQ(0xFFFFFFFFu, s.NumberOfPingSweeps);
  const ActionSlot slot2 = s.Slot(2);
  EXPECT_EQ("svc2", slot2.Service);
  EXPECT_EQ(102u, slot2.PingResponse);
  EXPECT_EQ(202u, slot2.PingTimeOut);
  EXPECT_EQ("cmd2", slot2.Command);
  EXPECT_EQ("arg2", slot2.Argument);
}

TEST_F(LoadSettingsTest, OneValueSetLogsTheOtherSeventeen) {
  sys.registry.SetText(kSettingsKeyPath, "Service2", "Spooler");
  MonitorSettings s;
  LoadSettings(s);
  EXPECT_EQ(17u, sys.LogMessages().size());
  EXPECT_EQ("Spooler", s.Slot(2).Service);
  EXPECT_EQ(20u, s.Slot(2).PingResponse);
  EXPECT_EQ(1u, s.Slot(2).PingTimeOut);
}

TEST_F(LoadSettingsTest, AValueRemovedLaterKeepsItsLastReadValue) {
  sys.registry.SetDword(kSettingsKeyPath, "PingDelay", 9);
  sys.registry.SetText(kSettingsKeyPath, "Command1", "C:\\x.exe");
  MonitorSettings s;
  LoadSettings(s);
  EXPECT_EQ(9u, s.PingDelay);
  sys.registry.RemoveValue(kSettingsKeyPath, "PingDelay");
  sys.registry.RemoveValue(kSettingsKeyPath, "Command1");
  sys.files.contents.clear();
  LoadSettings(s);
  EXPECT_EQ(9u, s.PingDelay);
  EXPECT_EQ("C:\\x.exe", s.Command[0]);
  const std::vector<std::string> lines = sys.LogMessages();
  EXPECT_EQ(18u, lines.size());
  EXPECT_EQ("Could not read SOFTWARE\\Morvane\\Kestro\\PingDelay", lines[7]);
}

TEST_F(LoadSettingsTest, TextOf253FitsAnd254DoesNot) {
  const std::string fits(253, 'a');
  const std::string tooLong(254, 'b');
  sys.registry.SetText(kSettingsKeyPath, "Argument1", fits);
  sys.registry.SetText(kSettingsKeyPath, "Argument2", tooLong);
  MonitorSettings s;
  s.Argument[1] = "before";
  LoadSettings(s);
  EXPECT_EQ(fits, s.Argument[0]);
  EXPECT_EQ("before", s.Argument[1]);
  const std::vector<std::string> lines = sys.LogMessages();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Could not read SOFTWARE\\Morvane\\Kestro\\Argument2"),
            1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Could not read SOFTWARE\\Morvane\\Kestro\\Argument1"),
            0);
}

TEST_F(LoadSettingsTest, AValueOfTheWrongTypeIsUnreadable) {
  sys.registry.SetText(kSettingsKeyPath, "PingDelay", "0");
  sys.registry.SetDword(kSettingsKeyPath, "Service1", 1);
  MonitorSettings s;
  LoadSettings(s);
  EXPECT_EQ(5u, s.PingDelay);
  EXPECT_EQ("", s.Service[0]);
  const std::vector<std::string> lines = sys.LogMessages();
  EXPECT_EQ("Could not read SOFTWARE\\Morvane\\Kestro\\PingDelay", lines[7]);
  EXPECT_EQ("Could not read SOFTWARE\\Morvane\\Kestro\\Service1", lines[9]);
}

TEST_F(LoadSettingsTest, OptionalNumbersAreReadAndWhenMissingAreTheirDefaultsSilently) {
  sys.registry.SetDword(kSettingsKeyPath, "PassSplay", 120);
  sys.registry.SetDword(kSettingsKeyPath, "StopAfter2", 3);
  sys.registry.SetDword(kSettingsKeyPath, "StartAfter3", 2);
  sys.registry.SetText(kSettingsKeyPath, "RecheckDelay", "60");
  MonitorSettings s;
  s.RecheckDelay = 30;
  LoadSettings(s);
  EXPECT_EQ((std::vector<std::uint32_t>{120, 3, 1, 2, 30}),  // the wrong type keeps its last value
            (std::vector<std::uint32_t>{s.PassSplay, s.Slot(2).StopAfter, s.Slot(2).StartAfter,
                                        s.Slot(3).StartAfter, s.RecheckDelay}));
  EXPECT_EQ("Could not read SOFTWARE\\Morvane\\Kestro\\RecheckDelay", sys.LogMessages().back());
  for (const char* name : {"StopAfter2", "RecheckDelay"}) sys.registry.RemoveValue(kSettingsKeyPath, name);
  const std::size_t lines = sys.LogMessages().size();
  LoadSettings(s);
  EXPECT_EQ(1u, s.StopAfter[1]);  // removed: back to the default, without a line
  EXPECT_EQ(2 * lines - 1, sys.LogMessages().size());
}

TEST_F(LoadSettingsTest, AFailedQueryDoesNotStopTheOthers) {
  sys.registry.SetDword(kSettingsKeyPath, "PingPacketSize", 64);
  sys.registry.SetDword(kSettingsKeyPath, "PingDelay", 1);
  sys.plan.Fail("RegQueryValueExA", 1);  // PingPacketSize
  MonitorSettings s;
  LoadSettings(s);
  EXPECT_EQ(1024u, s.PingPacketSize);
  EXPECT_EQ(1u, s.PingDelay);
  EXPECT_EQ(0, sys.registry.OpenCount());
}

// The policy key over the own key over the default, value by value. Set-up:
// "P:" the policy key, "O:" the own key, with NAME=N a number or NAME='T' a
// text; "R:TEXT" refuses the policy's store.
void Set(testing::FakeRegistry& r, const std::string& entry) {
  const char* key = entry[0] == 'P' ? kPolicyKeyPath : kSettingsKeyPath;
  const std::string what = entry.substr(2);
  const std::string::size_type eq = what.find('=');
  if (entry[0] == 'R') {
    r.policyRefusal = what;
  } else if (eq == std::string::npos) {
    r.AddKey(key);
  } else if (what[eq + 1] == '\'') {
    r.SetText(key, what.substr(0, eq), what.substr(eq + 2, what.size() - eq - 3));
  } else {
    r.SetDword(key, what.substr(0, eq), static_cast<std::uint32_t>(std::stoul(what.substr(eq + 1))));
  }
}

struct PrecedenceRow {
  const char* name;
  std::vector<std::string> set;
  bool removePolicy;  // then load again
  std::uint32_t pingDelay, stopAfter1;
  const char* service1;
  std::vector<std::string> otherLines;  // all but the own key's "Could not read "
  std::size_t lines;
};

const char kPolicyLine[] = "Could not read SOFTWARE\\Policies\\Morvane\\Kestro\\";
const char kFifo[] = "The settings file \"/etc/kestro/policy.reg\" is a FIFO and was not read";

const PrecedenceRow kPrecedence[] = {
    {"policy wins", {"P:PingDelay=9", "P:Service1='p'", "P:StopAfter1=3", "O:PingDelay=2", "O:Service1='o'",
                     "O:StopAfter1=4"}, false, 9, 3, "p", {}, 16},
    {"own key where the policy sets nothing", {"P:", "O:PingDelay=2", "O:Service1='o'"}, false, 2, 1, "o", {}, 16},
    {"policy refused", {std::string("R:") + kFifo, "O:PingDelay=2"}, false, 2, 1, "", {kFifo}, 18},
    // Without the own key, what the policy leaves unset stays, silently.
    {"policy without the own key", {"P:StopAfter1=3"}, false, 5, 3, "", {}, 0},
    {"wrong type in the policy", {"P:PingDelay='9'", "P:Service1=1", "P:StopAfter1='3'", "O:PingDelay=2"}, false,
     2, 1, "", {kPolicyLine + std::string("PingDelay"), kPolicyLine + std::string("Service1"),
                kPolicyLine + std::string("StopAfter1")}, 20},
    // Gone at the next load: the own key's value, an optional one's default.
    {"policy removed", {"P:PingDelay=9", "P:StopAfter1=3", "O:PingDelay=2"}, true, 2, 1, "", {}, 34},
};

TEST(LoadSettingsPrecedence, ThePolicyKeyWinsOverTheOwnKeyValueByValue) {
  for (const PrecedenceRow& row : kPrecedence) {
    SCOPED_TRACE(row.name);
    FakeSystem sys;
    sys.Install();
    for (const std::string& entry : row.set) Set(sys.registry, entry);
    MonitorSettings s;
    LoadSettings(s);
    if (row.removePolicy) {
      EXPECT_EQ(9u, s.PingDelay);
      sys.registry.RemoveKey(kPolicyKeyPath);
      LoadSettings(s);
    }
    EXPECT_EQ(row.pingDelay, s.PingDelay);
    EXPECT_EQ(row.stopAfter1, s.StopAfter[0]);
    EXPECT_EQ(row.service1, s.Service[0]);
    const std::vector<std::string> lines = sys.LogMessages();
    std::vector<std::string> other;
    for (const std::string& line : lines)
      if (line.rfind("Could not read SOFTWARE\\Morvane", 0) != 0) other.push_back(line);
    EXPECT_EQ(row.otherLines, other);
    EXPECT_EQ(row.lines, lines.size());
    EXPECT_EQ(0, sys.registry.OpenCount());
  }
}

}  // namespace
}  // namespace kestro
