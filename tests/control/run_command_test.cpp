// Running a slot's command: the command line, the progress lines, exit codes
// and creation failures, on the fake clock.
#include <gtest/gtest.h>

#include "control/argument_files.h"
#include "control/run_command.h"
#include "fakes/fake_system.h"
#include "log/report_event.h"
#include "platform/program_file_security.h"

namespace kestro {
namespace {

using testing::EventEntry;
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

TEST_F(RunCommandTest, ProgramOthersMayChangeIsJudgedByOwnerAndRights) {
  const AccessGrant admins{Principal::Administrators, "S-1-5-32-544", 0x1F01FF};
  const AccessGrant usersRun{Principal::Other, "S-1-5-32-545", 0x1200A9};
  const std::string user = "S-1-5-21-1-2-3-1004";
  struct Row {
    FileSecurity security;
    std::string folder, refusal;
    FolderRole role = FolderRole::Above;
    bool hostKeepsAccessLists = true;
  };
  FileSecurity fat{Principal::Other, "S-1-1-0", false, {}};
  fat.volumeKeepsAccessLists = false;
  const std::string fatWhy = "is on a volume that keeps no access lists (FAT, exFAT), where every user may "
                             "change it, unlike the volume of Kestro.exe";
  const FileSecurity usersAdd{Principal::System, "S-1-5-18", true, {admins, {Principal::Other, "S-1-5-11", 0x2}}};
  const FileSecurity usersAddFolder{Principal::System, "S-1-5-18", true, {admins, {Principal::Other, "S-1-5-11", 0x4}}};
  for (const Row& r : std::vector<Row>{
           // cmd.exe: TrustedInstaller's, users may run it.
           {{Principal::Other, kTrustedInstallerSid, true, {admins, usersRun}}, "", ""},
           {{Principal::Other, user, true, {admins}}, "", "belongs to " + user},
           {{Principal::System, "S-1-5-18", true, {admins, {Principal::Other, "S-1-5-11", 0x1301BF}}}, "",
            "may be written by S-1-5-11"},
           {{Principal::System, "S-1-5-18", false, {}}, "", "may be written by every user"},
           // Users may create folders in C:\, which replaces nothing.
           {{Principal::System, "S-1-5-18", true, {admins, {Principal::Other, "S-1-5-11", 0x100004}}}, "C:\\", ""},
           {{Principal::System, "S-1-5-18", true, {admins, {Principal::Other, "S-1-5-11", 0x40}}}, "C:\\Tools",
            "lies in \"C:\\Tools\", which may be written by S-1-5-11"},
           {{Principal::Other, user, true, {admins}}, "C:\\Tools", "lies in \"C:\\Tools\", which belongs to " + user},
           // A file added to the program's own folder loads as one of its DLLs;
           // a folder added where one is missing on the way holds what follows.
           {usersAdd, "C:\\Tools", "lies in \"C:\\Tools\", which may be written by S-1-5-11",
            FolderRole::HoldsProgram},
           {usersAdd, "C:\\", ""},
           {usersAddFolder, "C:\\drop", "lies in \"C:\\drop\", which may be written by S-1-5-11",
            FolderRole::HoldsMissingFolder},
           {usersAddFolder, "C:\\Tools", "", FolderRole::HoldsProgram},
           // FAT: refused, unless this program lies on such a volume too.
           {fat, "", fatWhy},
           {fat, "E:\\", "lies in \"E:\\\", which " + fatWhy},
           {fat, "", "", FolderRole::Above, false},
       }) {
    EXPECT_EQ(r.refusal, ProgramRefusal(r.security, r.folder, r.role, r.hostKeepsAccessLists));
  }
  // A program that is missing, or a folder on its way, is no reason to
  // judge less: the folders that are there are judged.
  const FileSecurity system{Principal::System, "S-1-5-18", true, {admins}};
  const auto entry = [](const std::string& path, FileSecurity security) {
    return PathEntry{path, false, "", {security}};
  };
  const PathEntry missing{"", true, "", {}};
  struct Walked {
    std::vector<PathEntry> folders;
    PathEntry program;
    std::string refusal;
  };
  for (const Walked& w : std::vector<Walked>{
           {{entry("C:\\", system), entry("C:\\drop", usersAdd)}, missing,
            "lies in \"C:\\drop\", which may be written by S-1-5-11"},
           {{entry("C:\\", system), entry("C:\\drop", usersAddFolder), missing}, PathEntry{},
            "lies in \"C:\\drop\", which may be written by S-1-5-11"},
           {{entry("C:\\", usersAddFolder), entry("C:\\Tools", system)}, missing, ""},
           {{entry("C:\\", system), PathEntry{"C:\\T", false, "has an owner and rights that could not be read (error 5)", {}}},
            PathEntry{}, "lies in \"C:\\T\", which has an owner and rights that could not be read (error 5)"},
           // A link is judged itself and by what it leads to.
           {{entry("C:\\", system)}, PathEntry{"C:\\a.exe", false, "", {system, {Principal::Other, user, true, {admins}}}},
            "belongs to " + user},
       }) {
    EXPECT_EQ(w.refusal, PathRefusal(w.folders, w.program, FolderRole::HoldsProgram, true));
  }
  // Only a path whose folders the walk can name from its text is walked.
  for (const auto& [path, root] : std::vector<std::pair<std::string, std::size_t>>{
           {"C:\\T\\a.exe", 3}, {"\\\\s\\sh\\a.exe", 7}, {"\\\\?\\C:\\a.exe", 7},
           {"\\\\?\\UNC\\s\\sh\\a.exe", 13}, {"\\\\?\\Volume{1}\\a.exe", 0},
           {"\\\\?\\C:\\T\\..\\a.exe", 0}, {"\\\\.\\C:\\a.exe", 0}, {"\\\\s\\a.exe", 0}}) {
    EXPECT_EQ(root, WalkableRootLength(path)) << path;
  }
}

TEST_F(RunCommandTest, FilesTheArgumentNamesByTheirFullPathAreJudgedAsTheProgram) {
  sys.children.files = {"/opt/x/run.sh", "/tmp/w.sh", "C:\\w.cmd"};
  sys.children.trustProblems["/tmp/w.sh"] = "may be written by others than its owner";
  sys.children.trustProblems["C:\\w.cmd"] = "may be written by S-1-5-11";
  struct Row {
    const char* argument;
    bool run;
  };
  for (const Row& r : {Row{"sh /opt/x/run.sh", true}, Row{"sh /tmp/w.sh", false}, Row{"sh -c \"/tmp/w.sh\"", false},
                       Row{"/tmp/w.sh -x", true},  // the program's own name: the command is judged
                       Row{"sh ./w.sh /tmp/none.sh C:\\w.cmd", true}}) {
    sys.files.contents.clear();
    const int created = sys.children.created;
    EXPECT_EQ(r.run ? 0u : 1u, RunCommand("/bin/sh", r.argument, 1)) << r.argument;
    EXPECT_EQ(r.run, sys.children.created > created) << r.argument;
    if (!r.run) {
      EXPECT_EQ(std::vector<std::string>{"Command /tmp/w.sh was not run: it may be written by others than its owner"},
                sys.LogMessages());
    }
  }
  // On Windows: a drive or UNC path.
  for (const char* word : {"C:\\w.cmd", "c:/w.cmd", "\\\\server\\share\\w.cmd"})
    EXPECT_TRUE(IsFullPath(word, '\\')) << word;
  for (const char* word : {"w.cmd", "C:w.cmd", "/w.cmd", "\\w.cmd"}) EXPECT_FALSE(IsFullPath(word, '\\')) << word;
  EXPECT_EQ(std::vector<std::string>{"C:\\w.cmd"}, FullPathWords("C:\\cmd.exe /c C:\\w.cmd", '\\'));
}

TEST_F(RunCommandTest, ProgramOthersMayChangeIsNotRunAndTheEventLogHearsOfItHourly) {
  const std::string line = "Command C:\\t\\a.cmd was not run: it may be written by S-1-5-11";
  sys.children.trustProblems["C:\\t\\a.cmd"] = "may be written by S-1-5-11";
  EXPECT_EQ(1u, RunCommand("C:\\t\\a.cmd", "a.cmd", 1));  // a failed action
  EXPECT_EQ(std::vector<std::string>{line}, sys.LogMessages());
  EXPECT_EQ(0, sys.children.created);
  sys.clock.Advance(60 * 60 * 1000 - 1);
  RunCommand("C:\\t\\a.cmd", "a.cmd", 0);
  EXPECT_EQ(2u, sys.LogMessages().size());  // every pass logs it
  EXPECT_EQ(1u, sys.eventLog.Entries().size());
  sys.clock.Advance(1);
  RunCommand("C:\\t\\a.cmd", "a.cmd", 0);
  // Another reason, and a refusal after the program was mended, are told at once.
  sys.children.trustProblems["C:\\t\\a.cmd"] = "belongs to S-1-5-21-1-2-3-1004";
  RunCommand("C:\\t\\a.cmd", "a.cmd", 0);
  sys.children.trustProblems.clear();
  RunCommand("C:\\t\\a.cmd", "a.cmd", 0);
  sys.children.trustProblems["C:\\t\\a.cmd"] = "may be written by S-1-5-11";
  RunCommand("C:\\t\\a.cmd", "a.cmd", 0);
  const std::vector<EventEntry> entries = sys.eventLog.Entries();
  ASSERT_EQ(4u, entries.size());
  EXPECT_EQ(std::vector<std::string>{line}, entries[0].strings);
  EXPECT_EQ(kEventError, entries[0].type);
  EXPECT_EQ("Command C:\\t\\a.cmd was not run: it belongs to S-1-5-21-1-2-3-1004", entries[2].strings.at(0));
  EXPECT_EQ(1, sys.children.created);
}

}  // namespace
}  // namespace kestro
