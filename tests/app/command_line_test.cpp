// The command line: options, their order, the usage and help texts and the
// exit codes.
#include <gtest/gtest.h>

#include <vector>

#include "app/entry.h"
#include "app/monitor_app.h"
#include "app/program_path.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeSystem;
using testing::ProcessExit;

std::string UsageBlock(const std::string& name, const std::string& header) {
  return "\n" + header + "\nUse-Case 1: " + name + " -help\nUse-Case 2: " + name +
         " -installservice | -removeservice\nUse-Case 3: " + name + " -service\nUse-Case 4: " +
         name + " -direct\n\n\nversion 2003.12.09.0\n";
}

const char kOptionList[] =
    "\n"
    "-help : display additional information (this output)\n"
    "-installservice : install the Kestro systemd service\n"
    "-removeservice : remove the Kestro systemd service\n"
    "-service : internally used by Kestro when started from systemd\n"
    "-direct : run on command line without service\n"
    "\n";

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { sys.Install(); }

  // Parses and returns the exit code, or -1 when parsing came back.
  int Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "kestro");
    args.push_back(nullptr);
    try {
      app.ParseCommandLine(args.data());
    } catch (const ProcessExit& e) {
      return e.code;
    }
    return -1;
  }

  FakeSystem sys;
  // The application object loads its settings when built: fakes first.
  struct Installer {
    explicit Installer(FakeSystem& s) { s.Install(); }
  } installer{sys};
  MonitorApp app;
};

TEST_F(CommandLineTest, HelpPrintsUsageAndOptionsAndEndsWithOne) {
  EXPECT_EQ(1, Parse({"-help"}));
  EXPECT_EQ(UsageBlock("kestro", "Help:") + kOptionList, sys.console.err);
  EXPECT_EQ("", sys.console.out);
}

TEST_F(CommandLineTest, HelpStopsParsingAndDiscardsEarlierFlags) {
  EXPECT_EQ(1, Parse({"-direct", "-help", "-bogus"}));
  EXPECT_EQ(UsageBlock("kestro", "Help:") + kOptionList, sys.console.err);
}

TEST_F(CommandLineTest, InvalidArgumentsEndWith99AndNameTheArgument) {
  struct Row {
    std::vector<const char*> args;
    std::string named;
  };
  for (const Row& row : std::vector<Row>{{{"-bogus"}, "-bogus"},
                                          {{"-direct", "-bogus", "-help"}, "-bogus"},
                                          {{"-Direct"}, "-Direct"},
                                          {{""}, ""},
                                          {{"-direct "}, "-direct "},
                                          {{"direct"}, "direct"},
                                          {{"-dir"}, "-dir"}}) {
    sys.console.err.clear();
    MonitorApp fresh;
    app = fresh;
    EXPECT_EQ(99, Parse(row.args)) << row.named;
    EXPECT_EQ(UsageBlock("kestro", "Parse-Error: Invalid argument \"" + row.named + "\""),
              sys.console.err);
  }
}

TEST_F(CommandLineTest, OptionsSetFlagsAndRepeatHarmlessly) {
  EXPECT_EQ(-1, Parse({"-direct", "-installservice", "-direct", "-removeservice", "-service"}));
  EXPECT_EQ(1u, app.InstallFlag);
  EXPECT_EQ(1u, app.RemoveFlag);
  EXPECT_EQ(1u, app.ServiceFlag);
  EXPECT_EQ(1u, app.DirectFlag);
  EXPECT_EQ("kestro", app.ProgramPath);
  EXPECT_EQ("", sys.console.err);
}

// The whole entry: the first of install, remove, service, direct wins.
int RunEntry(FakeSystem& sys, std::vector<const char*> args) {
  args.insert(args.begin(), "kestro");
  args.push_back(nullptr);
  sys.console.out.clear();
  sys.console.err.clear();
  try {
    return RunProgram(args.data());
  } catch (const ProcessExit& e) {
    return e.code;
  }
}

TEST_F(CommandLineTest, EntryWithoutOptionPrintsHelp) {
  EXPECT_EQ(1, RunEntry(sys, {}));
  EXPECT_EQ(UsageBlock("kestro", "Help:") + kOptionList, sys.console.err);
}

TEST_F(CommandLineTest, EntryTakesTheFirstModeInFixedOrder) {
  EXPECT_EQ(0, RunEntry(sys, {"-direct", "-installservice"}));
  EXPECT_EQ("Kestro and IP Helper installed.\n", sys.console.out);
  EXPECT_EQ(2, RunEntry(sys, {"-removeservice", "-installservice"}));  // installed already
  EXPECT_EQ(0, sys.plan.Count("DeleteService"));
  sys.serviceHost.dispatch = false;
  EXPECT_EQ(8, RunEntry(sys, {"-direct", "-service"}));
  EXPECT_EQ("StartServiceCtrlDispatcher failed.\n", sys.console.out);
  EXPECT_EQ(0, RunEntry(sys, {"-removeservice", "-direct"}));
  EXPECT_EQ("Kestro and IP Helper removed.\n", sys.console.out);
}

// Direct mode writes its two start lines, then ticks once a second.
TEST_F(CommandLineTest, DirectModeWritesTwoStartLinesThenTicks) {
  // The clock's third sleep ends the endless loop.
  struct StopLoop {};
  class StoppingClock : public testing::FakeClock {
   public:
    using FakeClock::FakeClock;
    void SleepMs(std::uint32_t ms) override {
      FakeClock::SleepMs(ms);
      if (sleeps == 3) throw StopLoop{};
    }
  } clock(sys.plan);
  Platform table = sys.Table();
  table.clock = &clock;
  SetPlatform(table);
  const char* argv[] = {"kestro", "-direct", nullptr};
  EXPECT_THROW(RunProgram(argv), StopLoop);
  EXPECT_EQ(3000u, clock.sleptMs);
  EXPECT_EQ(
      "2003/07/15 14:03:27:045: \r\n"
      "2003/07/15 14:03:27:045: Interaktiver aufruf...\r\n",
      sys.files.contents["/var/log/kestro/Kestro-2.txt"].substr(0, 76));
}

TEST(SplitProgramPath, SplitsAtTheLastSeparator) {
  struct Row {
    const char* path;
    const char* directory;
    const char* name;
  };
  for (const Row& r : {Row{"D:\\tools\\kestro.exe", "D:\\tools", "kestro.exe"},
                       Row{"kestro", "", "kestro"},
                       Row{"\\kestro.exe", "", "kestro.exe"},
                       Row{"C:\\a\\", "C:\\a", ""},
                       Row{"", "", ""}}) {
    const ProgramPathParts parts = SplitProgramPath(r.path, '\\');
    EXPECT_EQ(r.directory, parts.directory) << r.path;
    EXPECT_EQ(r.name, parts.fileName) << r.path;
  }
}

TEST_F(CommandLineTest, UsageShowsTheFileNameOfThePath) {
  const char* argv[] = {"/opt/kestro/bin/kestro", "-x", nullptr};
  EXPECT_THROW(app.ParseCommandLine(argv), ProcessExit);
  EXPECT_EQ(UsageBlock("kestro", "Parse-Error: Invalid argument \"-x\""), sys.console.err);
}

}  // namespace
}  // namespace kestro
