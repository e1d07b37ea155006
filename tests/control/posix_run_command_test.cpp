// Commands run for real on Linux: shell scripts that record their arguments
// and end with chosen codes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "control/run_command.h"
#include "log/log_directory.h"
#include "platform/platform.h"

namespace kestro {
namespace {

class PosixRunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-cmd-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    std::ofstream(dir + "/kestro.reg") << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n\"LogDir\"=\""
                                       << dir << "\"\r\n";
    setenv("KESTRO_REGISTRY", (dir + "/kestro.reg").c_str(), 1);
    SetPlatform(SystemPlatform());
    ResetLogDirectory();
    script = dir + "/record.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << dir << "/args\"\n"
                          << "sleep \"${KESTRO_TEST_SLEEP:-0}\"\nexit \"${KESTRO_TEST_EXIT:-0}\"\n";
    chmod(script.c_str(), 0755);
  }
  void TearDown() override {
    unsetenv("KESTRO_REGISTRY");
    unsetenv("KESTRO_TEST_EXIT");
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir;
  std::string script;
};

TEST_F(PosixRunCommandTest, ScriptSeesItsArgumentsAndTheWord) {
  EXPECT_EQ(0u, RunCommand(script, script + " -x \"two words\"", 1));
  EXPECT_EQ("-x|two words|start|", Read("args"));
  EXPECT_EQ(0u, RunCommand(script, script, 0));
  EXPECT_EQ("stop|", Read("args"));
  const std::string log = Read("Kestro-2.txt");
  EXPECT_NE(std::string::npos,
            log.find(": Executing command " + script + "  CommandLine: " + script + " stop\r\n"));
}

TEST_F(PosixRunCommandTest, ExitCodeIsReturnedAndLogged) {
  setenv("KESTRO_TEST_EXIT", "7", 1);
  EXPECT_EQ(7u, RunCommand(script, script, 1));
  EXPECT_NE(std::string::npos, Read("Kestro-2.txt").find(": Error number 7 : "));
}

TEST_F(PosixRunCommandTest, MissingProgramCannotBeCreated) {
  EXPECT_EQ(1u, RunCommand(dir + "/missing", "missing", 1));
  EXPECT_NE(std::string::npos,
            Read("Kestro-2.txt").find(": Error creating process No such file or directory (0x2)!\r\n"));
}

TEST_F(PosixRunCommandTest, CommandStartsWithEverySignalAtItsDefaultAndWithoutTheNotifySocket) {
  // As under systemd: SIGPIPE ignored, NOTIFY_SOCKET set.
  void (*before)(int) = signal(SIGPIPE, SIG_IGN);
  setenv("NOTIFY_SOCKET", "/run/systemd/notify", 1);
  std::ofstream(script) << "#!/bin/sh\n{ sed -n 's/^SigIgn:\\t//p' /proc/$$/status; echo \"${NOTIFY_SOCKET-unset}\"; } >\""
                        << dir << "/args\"\n";
  EXPECT_EQ(0u, RunCommand(script, script, 1));
  signal(SIGPIPE, before);
  unsetenv("NOTIFY_SOCKET");
  // None of signals 1 to 31 ignored; the C library keeps its own two (32, 33).
  const std::string got = Read("args");
  EXPECT_EQ(0u, std::strtoull(got.c_str(), nullptr, 16) & 0x7fffffffu) << got;
  EXPECT_EQ("\nunset\n", got.substr(got.find('\n'))) << got;
}

}  // namespace
}  // namespace kestro
