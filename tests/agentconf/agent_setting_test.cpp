// Finding the staging server in the agent's configuration file: the path,
// the grammar of heads and key lines, line pieces and the log lines.
#include <gtest/gtest.h>

#include "agentconf/agent_setting.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeSystem;

const char kPath[] = "/opt/agent/OXL/CONF/OXL.CNF";

class AgentSettingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.environment.variables["OXLROOT"] = "/opt/agent";
  }
  std::string Read(const std::string& text) {
    sys.sharedFile.files[kPath] = text;
    sys.files.contents.clear();
    return LocateStagingServer();
  }
  std::string Log() { return sys.files.contents["/var/log/kestro/Kestro-2.txt"]; }

  FakeSystem sys;
};

struct Case {
  const char* name;
  const char* text;
  const char* value;
};

TEST_F(AgentSettingTest, SectionHeads) {
  for (const Case& c : std::vector<Case>{
           {"wanted head", "[PEERHOSTS]\nOXLUILSR=host1\n", "host1"},
           {"head with a comment after it", "[PEERHOSTS] ; staging\nOXLUILSR=host1\n", "host1"},
           {"other case names another section", "[peerhosts]\nOXLUILSR=host1\n", ""},
           {"blanks inside the brackets", "[ PEERHOSTS ]\nOXLUILSR=host1\n", ""},
           {"indented head changes nothing", "[PEERHOSTS]\n [OTHER]\nOXLUILSR=host1\n", "host1"},
           {"indented wanted head opens nothing", " [PEERHOSTS]\nOXLUILSR=host1\n", ""},
           {"unclosed head changes nothing", "[PEERHOSTS]\n[OTHER\nOXLUILSR=host1\n", "host1"},
           {"another head ends the section", "[PEERHOSTS]\n[OTHER]\nOXLUILSR=host1\n", ""},
           {"key before any head", "OXLUILSR=host1\n[PEERHOSTS]\n", ""},
           {"head with a longer name", "[PEERHOSTSX]\nOXLUILSR=host1\n", ""},
           {"sections repeat; the last value wins",
            "[PEERHOSTS]\nOXLUILSR=one\n[X]\nOXLUILSR=no\n[PEERHOSTS]\nOXLUILSR=two\n[Y]\n", "two"},
       }) {
    EXPECT_EQ(c.value, Read(c.text)) << c.name;
  }
}

TEST_F(AgentSettingTest, KeyLines) {
  for (const Case& c : std::vector<Case>{
           {"blanks and tabs around", "[PEERHOSTS]\n \t OXLUILSR \t= \thost1\n", "host1"},
           {"trailing text after a blank", "[PEERHOSTS]\nOXLUILSR = host1 # main\n", "host1"},
           {"comma kept", "[PEERHOSTS]\nOXLUILSR = host1, host2\n", "host1,"},
           {"doubled equals sign", "[PEERHOSTS]\nOXLUILSR==host1\n", "=host1"},
           {"empty value keeps the earlier one", "[PEERHOSTS]\nOXLUILSR=a\nOXLUILSR=\nOXLUILSR=  \n", "a"},
           {"longer key name", "[PEERHOSTS]\nOXLUILSRX = host1\n", ""},
           {"commented key", "[PEERHOSTS]\n#OXLUILSR = host1\n;OXLUILSR=h\n", ""},
           {"key in other case", "[PEERHOSTS]\noxluilsr = host1\n", ""},
           {"last of several wins", "[PEERHOSTS]\nOXLUILSR=a\nOTHER=b\nOXLUILSR=c\n", "c"},
           {"value ends at a vertical tab", "[PEERHOSTS]\nOXLUILSR=ab\vcd\n", "ab"},
       }) {
    EXPECT_EQ(c.value, Read(c.text)) << c.name;
  }
}

TEST_F(AgentSettingTest, LineEnds) {
  EXPECT_EQ("host1", Read("[PEERHOSTS]\r\nOXLUILSR=host1\r\n"));
  EXPECT_EQ("host1", Read("[PEERHOSTS]\nOXLUILSR=host1"));  // no final line end
  EXPECT_EQ("host1", Read("[PEERHOSTS]\rjunk\nOXLUILSR=host1\rjunk\n"));  // cut at CR
}

TEST_F(AgentSettingTest, LongLinesAreReadInPiecesOf254) {
  // The value is cut where the piece ends; the rest is a line of its own.
  const std::string key = "OXLUILSR=";
  const std::string value(300, 'v');
  EXPECT_EQ(std::string(254 - key.size(), 'v'), Read("[PEERHOSTS]\n" + key + value + "\n"));
  // A key line hidden after 254 characters starts a piece of its own.
  EXPECT_EQ("late", Read("[PEERHOSTS]\n" + std::string(254, ' ') + "OXLUILSR=late\n"));
  // CR LF counts as one character, as in text mode: 253 + CR LF fits one piece.
  EXPECT_EQ("x", Read("[PEERHOSTS]\n" + std::string(253, '#') + "\r\nOXLUILSR=x\n"));
}

TEST_F(AgentSettingTest, NoValueLogsOneLine) {
  EXPECT_EQ("", Read(""));
  EXPECT_EQ(std::string("2003/07/15 14:03:27:045: Could not retrieve Staging server from ") + kPath +
                "\r\n",
            Log());
  EXPECT_EQ("", Read("[OTHER]\nOXLUILSR=x\n"));
  const std::string log = Log();
  EXPECT_EQ(1, std::count(log.begin(), log.end(), '\n'));
  EXPECT_EQ(0, sys.sharedFile.open);
}

TEST_F(AgentSettingTest, FailedReadEndsTheFileAndDropsTheLineItCut) {
  const std::string text = "[PEERHOSTS]\nOXLUILSR=first\nOXLUILSR=second\n";
  sys.sharedFile.chunk = 27;  // the first read ends after the first key line
  sys.plan.Fail("ReadFile", 2);
  EXPECT_EQ("first", Read(text));
  sys.sharedFile.chunk = 40;  // the second read would end "second"
  sys.plan.ClearCalls();
  sys.plan.Fail("ReadFile", 2);
  EXPECT_EQ("first", Read(text));
  sys.plan.ClearCalls();
  sys.plan.Fail("ReadFile", 1);
  EXPECT_EQ("", Read(text));
  EXPECT_EQ(0, sys.sharedFile.open);
}

TEST_F(AgentSettingTest, MissingFileLogsTwoLines) {
  sys.environment.variables["OXLROOT"] = "/nowhere";
  EXPECT_EQ("", LocateStagingServer());
  EXPECT_EQ(
      "2003/07/15 14:03:27:045: Can't open file \"/nowhere/OXL/CONF/OXL.CNF\".\r\n"
      "2003/07/15 14:03:27:045: Could not retrieve Staging server from /nowhere/OXL/CONF/OXL.CNF\r\n",
      Log());
}

TEST_F(AgentSettingTest, RefusedFileReadsAsMissingAfterALineThatSaysWhy) {
  sys.sharedFile.files[kPath] = "[PEERHOSTS]\nOXLUILSR=planted\n";
  sys.sharedFile.refused[kPath] = "may be written by every user";
  EXPECT_EQ("", LocateStagingServer());
  EXPECT_EQ(std::string("2003/07/15 14:03:27:045: The agent file \"") + kPath +
                "\" may be written by every user and was not read\r\n"
                "2003/07/15 14:03:27:045: Can't open file \"" + kPath + "\".\r\n"
                "2003/07/15 14:03:27:045: Could not retrieve Staging server from " + kPath + "\r\n",
            Log());
  EXPECT_EQ(0, sys.sharedFile.open);
}

TEST_F(AgentSettingTest, PathFollowsOxlrootAtEveryCall) {
  sys.environment.variables.erase("OXLROOT");
  LocateStagingServer();
  EXPECT_EQ("/OXL/CONF/OXL.CNF", sys.sharedFile.lastPath);
  sys.environment.variables["OXLROOT"] = "/opt/agent/";
  LocateStagingServer();
  EXPECT_EQ("/opt/agent//OXL/CONF/OXL.CNF", sys.sharedFile.lastPath);
  EXPECT_EQ(2u, sys.environment.read.size());
}

TEST_F(AgentSettingTest, OtherSectionAndKeyNames) {
  sys.sharedFile.files[kPath] = "[PEERHOSTS]\nOXLUILSR=a\n[AGENT]\nNAME = me\n";
  EXPECT_EQ("me", ReadAgentSetting("AGENT", "NAME"));
  EXPECT_EQ("", ReadAgentSetting("AGENT(", "NAME"));  // no valid pattern: no value, no crash
  EXPECT_EQ(0, sys.sharedFile.open);
}

}  // namespace
}  // namespace kestro
