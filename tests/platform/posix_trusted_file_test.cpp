// The files that decide what runs as root, and the program's own log and
// lock files, opened for real: what each rule refuses and why.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {

class TrustedFileTest : public ::testing::Test {
 protected:
  // A fresh folder DIR holding what the shell command `setUp` makes there.
  void Make(const std::string& setUp) {
    if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    char pattern[] = "/tmp/kestro-trust-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    ASSERT_EQ(0, std::system(("cd '" + dir + "' && printf abc >target && " + setUp).c_str())) << setUp;
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  // The refusal ("DIR" standing for the folder), "" when the file opened, or
  // "errno N" for a failure that is not a refusal.
  std::string Outcome(int fd, const std::string& refusal) {
    if (fd >= 0) close(fd);
    if (fd >= 0 || refusal.empty()) return fd >= 0 ? refusal : "errno " + std::to_string(errno);
    std::string text = errno == EPERM ? refusal : "without EPERM: " + refusal;
    const auto at = text.find(dir);
    return at == std::string::npos ? text : text.replace(at, dir.size(), "DIR");
  }
  std::string Open(FileRule rule, const std::string& name = "f") {
    std::string refusal = "unset";
    const int fd = OpenTrustedForReading(dir + "/" + name, rule, &refusal);
    return Outcome(fd, refusal);
  }
  std::string Program(const std::string& name = "f", uid_t account = geteuid()) {
    std::string text = ProgramRefusal(dir + "/" + name, account);
    const auto at = text.find(dir);
    return at == std::string::npos ? text : text.replace(at, dir.size(), "DIR");
  }
  std::string OpenOwn(mode_t mode) {
    std::string refusal = "unset";
    const int fd = OpenOwnFile(dir + "/f", O_WRONLY | O_APPEND, mode, &refusal);
    return Outcome(fd, refusal);
  }
  // The first line a shell command prints in the folder.
  std::string Shell(const std::string& command) {
    const std::string file = dir + "/.out";
    std::system(("cd '" + dir + "' && (" + command + ") >'" + file + "' 2>&1").c_str());
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
  }

  std::string dir;
};

TEST_F(TrustedFileTest, SettingsAgentAndProgramRules) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files to another user";
  const char* const others = "may be written by others than its owner";
  const char* const openDir = "lies in \"DIR\", which others than its owner may write";
  const struct {
    const char* setUp;
    const char* settings;  // what the settings rule says
    const char* agent;     // what the agent rule says
    const char* program;   // what a slot's program is judged to be (links followed)
  } rows[] = {
      {"install -m 644 target f", "", "", ""},
      {"install -m 664 target f", others, "", others},
      {"install -m 666 target f", others, "may be written by every user", others},
      {"install -m 777 target f", others, "may be written by every user", others},
      {"install -m 644 -o 65534 target f", "belongs to user 65534", "", "belongs to user 65534"},
      {"ln -s target f", "is a symbolic link", "is a symbolic link", ""},
      {"mkfifo f", "is not a regular file", "is not a regular file", ""},  // and no blocking
      {"mkdir f", "is not a regular file", "is not a regular file", ""},
      {"install -m 755 target f && chmod 777 .", openDir, "lies in \"DIR\", which every user may write", openDir},
      {"install -m 644 target f && chmod 1777 .", "", "", ""},
      // In a sticky folder the owner of a link may still replace it.
      {"chmod 1777 . && ln -s target f && chown -h 65534 f", "is a symbolic link", "is a symbolic link", openDir},
      {"install -m 644 target f && chown 65534 .", "lies in \"DIR\", which belongs to user 65534", "",
       "lies in \"DIR\", which belongs to user 65534"},
      {"true", "errno 2", "errno 2", ""},
      // Missing: whoever may write the folder may put his own program there.
      {"chmod 777 .", "errno 2", "errno 2", openDir},
      {"chmod 1777 .", "errno 2", "errno 2", openDir},
  };
  for (const auto& row : rows) {
    Make(row.setUp);
    EXPECT_EQ(row.settings, Open(FileRule::Settings)) << row.setUp;
    EXPECT_EQ(row.agent, Open(FileRule::Agent)) << row.setUp;
    EXPECT_EQ(row.program, Program()) << row.setUp;
  }
  // Links among the folders are followed, the real folders checked, and so
  // is every folder that holds a link on the way.
  Make("mkdir real && ln -s real conf && install -m 600 target real/f");
  EXPECT_EQ("", Open(FileRule::Settings, "conf/f"));
  Make("mkdir -m 775 real && ln -s real conf && install -m 600 target real/f");
  EXPECT_EQ("lies in \"DIR/real\", which others than its owner may write", Open(FileRule::Settings, "conf/f"));
  Make("mkdir -m 777 open && mkdir real && ln -s ../real open/conf && install -m 755 target real/f");
  EXPECT_EQ("lies in \"DIR/open\", which others than its owner may write", Program("open/conf/f"));
  EXPECT_EQ("", Program("real/f"));
  EXPECT_EQ("lies in \"DIR/open\", which others than its owner may write", Program("open/none/f"));
  // Judged for the service's account (root) or for the user that owns it.
  Make("install -m 755 -o 65534 target f");
  EXPECT_EQ("", Program("f", 65534));
  EXPECT_EQ("belongs to user 65534", Program("f", 0));
}

TEST_F(TrustedFileTest, OwnFilesAreCreatedPrivateAndOnlyTheProgramsOwnAreUsed) {
  const mode_t mask = umask(022);
  Make("true");
  EXPECT_EQ("", OpenOwn(0640));
  EXPECT_EQ("640", Shell("stat -c %a f"));
  Make("install -m 666 target f");  // as an older version left it
  std::string refusal;
  mode_t wide = 0;
  close(OpenExistingOwnFileAsIs(dir + "/f", O_WRONLY | O_APPEND, 0600, &refusal, &wide));
  EXPECT_EQ(0066u, wide);  // -check's view: told, not changed
  EXPECT_EQ("666", Shell("stat -c %a f"));
  EXPECT_EQ("", OpenOwn(0600));
  EXPECT_EQ("600", Shell("stat -c %a f"));
  umask(mask);
  const std::pair<const char*, const char*> rows[] = {
      {"ln -s target f", "is a symbolic link"},
      {"ln -s none f", "is a symbolic link"},
      {"ln target f", "has 2 links"},
      {"mkfifo f", "is not a regular file"},  // and no blocking
      {geteuid() == 0 ? "install -o 65534 target f" : "install target f",
       geteuid() == 0 ? "belongs to user 65534" : ""},
  };
  for (const auto& row : rows) {
    Make(row.first);
    EXPECT_EQ(row.second, OpenOwn(0640)) << row.first;
    EXPECT_EQ("abc|absent", Shell("cat target; test -e none && echo '|there' || echo '|absent'")) << row.first;
  }
}

}  // namespace
}  // namespace kestro
