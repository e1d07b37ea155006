// Running a slot's command: the command line, the progress lines, exit codes
// and creation failures, on the fake clock.
#include <gtest/gtest.h>

#include "control/run_command.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeSystem;

class RunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.lastError.messages[2] = "The system cannot find the file specified.\r\n";
    sys.lastError.messages[0] = "The operation completed successfully.\r\n";
  }
  void TearDown() override { EXPECT_EQ(0, sys.children.open); }
  FakeSystem sys;
};

TEST_F(RunCommandTest, CommandLineIsTheArgumentAndTheWord) {
  struct Row {
    const char* argument;
    int start;
    const char* line;
  };
  for (const Row& r : {Row{"C:\\t\\svc.exe -q", 1, "C:\\t\\svc.exe -q start"},
                       Row{"C:\\t\\svc.exe stop", 0, "C:\\t\\svc.exe stop stop"},
                       Row{"", 1, " start"}, Row{"", 0, " stop"}}) {
    sys.files.contents.clear();
    EXPECT_EQ(0u, RunCommand("C:\\t\\svc.exe", r.argument, r.start));
    EXPECT_EQ(r.line, sys.children.commandLine);
    EXPECT_EQ("C:\\t\\svc.exe", sys.children.application);
    EXPECT_EQ(std::vector<std::string>{std::string("Executing command C:\\t\\svc.exe  CommandLine: ") + r.line},
              sys.LogMessages());
  }
  EXPECT_TRUE(sys.children.startupInfoTaken);
}

TEST_F(RunCommandTest, ChildOfEightSecondsShowsItsProgress) {
  sys.children.runMs = 8000;
  EXPECT_EQ(0u, RunCommand("p.exe", "p.exe", 1));
  EXPECT_EQ((std::vector<std::string>{"Executing command p.exe  CommandLine: p.exe start",
                                      "Waiting for child to exit", ".", ".", " done."}),
            sys.LogMessages());
}

TEST_F(RunCommandTest, ChildWithinFiveWaitsLeavesNoProgressLines) {
  sys.children.runMs = 4500;
  RunCommand("p.exe", "p.exe", 1);
  EXPECT_EQ(1u, sys.LogMessages().size());
}

TEST_F(RunCommandTest, NonZeroExitCodeIsLoggedWithTheLastErrorText) {
  sys.children.exitCode = 1;
  EXPECT_EQ(1u, RunCommand("p.exe", "p.exe", 0));
  EXPECT_EQ("Error number 1 : The operation completed successfully. (0x0)", sys.LogMessages().at(1));
}

TEST_F(RunCommandTest, MissingProgramIsOneLineAndResultOne) {
  sys.plan.Fail("CreateProcessA");
  sys.lastError.code = 2;
  EXPECT_EQ(1u, RunCommand("C:\\missing.exe", "x", 1));
  EXPECT_EQ((std::vector<std::string>{
                "Executing command C:\\missing.exe  CommandLine: x start",
                "Error creating process The system cannot find the file specified. (0x2)!"}),
            sys.LogMessages());
}

TEST_F(RunCommandTest, ChildEndingWithCode259StillEndsTheWait) {
  sys.children.runMs = 2000;
  sys.children.exitCode = 259;
  EXPECT_EQ(259u, RunCommand("p.exe", "p.exe", 1));
  EXPECT_EQ(1u, sys.LogMessages().size());  // 259 reads as still active: no error line
  EXPECT_LE(sys.clock.tick, 5000u + 2000u);
}

TEST_F(RunCommandTest, FailingWaitNeverSpins) {
  sys.children.runMs = 3000;
  sys.children.waitFails = true;
  RunCommand("p.exe", "p.exe", 1);
  EXPECT_EQ(3, sys.clock.sleeps);  // a pause of a second for each failed wait
}

TEST_F(RunCommandTest, UnreadableExitCodeEndsTheWait) {
  sys.children.runMs = 60000;
  sys.plan.Fail("GetExitCodeProcess", 2, true);
  EXPECT_EQ(kStillActive, RunCommand("p.exe", "p.exe", 1));
  EXPECT_EQ(1, sys.plan.Count("WaitForSingleObjectEx"));
}

}  // namespace
}  // namespace kestro
