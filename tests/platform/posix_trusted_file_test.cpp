// The files that decide what runs as root, and the program's own log and
// lock files, opened for real: what each rule refuses and why.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {

constexpr uid_t kNobody = 65534;

class TrustedFileTest : public ::testing::Test {
 public:  // the rows below set files up through it
  void SetUp() override {
    char pattern[] = "/tmp/kestro-trust-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    file = dir + "/f";
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

  void Make(const std::string& path, mode_t mode, uid_t owner = static_cast<uid_t>(-1)) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(3, write(fd, "abc", 3));
    close(fd);
    ASSERT_EQ(0, chmod(path.c_str(), mode));
    ASSERT_EQ(0, chown(path.c_str(), owner, static_cast<gid_t>(-1)));
  }
  mode_t Mode(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  // Opens under the rule: the refusal, "" for a file that opened, or
  // "errno N" for a failure that is not a refusal.
  std::string Open(FileRule rule, const std::string& path) {
    std::string refusal = "unset";
    const int fd = OpenTrustedForReading(path, rule, &refusal);
    return Outcome(fd, refusal);
  }
  std::string OpenOwn(mode_t mode) {
    std::string refusal = "unset";
    const int fd = OpenOwnFile(file, O_WRONLY | O_APPEND, mode, &refusal);
    return Outcome(fd, refusal);
  }
  static std::string Outcome(int fd, const std::string& refusal) {
    if (fd >= 0) {
      close(fd);
      return refusal.empty() ? "" : "opened, yet refused: " + refusal;
    }
    if (!refusal.empty()) return errno == EPERM ? refusal : "refused without EPERM: " + refusal;
    return "errno " + std::to_string(errno);
  }

  std::string dir;
  std::string file;
};

struct Row {
  const char* name;
  std::function<void(TrustedFileTest&)> setUp;
  const char* settings;  // what the settings rule says
  const char* agent;     // what the agent rule says
};

TEST_F(TrustedFileTest, SettingsAndAgentRules) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files to another user";
  // "DIR" in an expectation stands for the row's directory.
  const Row rows[] = {
      {"root's file, 0644", [](TrustedFileTest& t) { t.Make(t.file, 0644); }, "", ""},
      {"group may write", [](TrustedFileTest& t) { t.Make(t.file, 0664); },
       "may be written by others than its owner", ""},
      {"every user may write", [](TrustedFileTest& t) { t.Make(t.file, 0666); },
       "may be written by others than its owner", "may be written by every user"},
      {"another user's file", [](TrustedFileTest& t) { t.Make(t.file, 0644, kNobody); },
       "belongs to user 65534", ""},
      {"a link to a good file",
       [](TrustedFileTest& t) {
         t.Make(t.dir + "/good", 0644);
         ASSERT_EQ(0, symlink("good", t.file.c_str()));
       },
       "is a symbolic link", "is a symbolic link"},
      {"a FIFO, without blocking", [](TrustedFileTest& t) { ASSERT_EQ(0, mkfifo(t.file.c_str(), 0644)); },
       "is not a regular file", "is not a regular file"},
      {"a directory", [](TrustedFileTest& t) { ASSERT_EQ(0, mkdir(t.file.c_str(), 0755)); },
       "is not a regular file", "is not a regular file"},
      {"in a directory every user may write",
       [](TrustedFileTest& t) {
         t.Make(t.file, 0644);
         ASSERT_EQ(0, chmod(t.dir.c_str(), 0777));
       },
       "lies in \"DIR\", which others than its owner may write", ""},
      {"in a sticky directory every user may write",
       [](TrustedFileTest& t) {
         t.Make(t.file, 0644);
         ASSERT_EQ(0, chmod(t.dir.c_str(), 01777));
       },
       "", ""},
      {"in another user's directory",
       [](TrustedFileTest& t) {
         t.Make(t.file, 0644);
         ASSERT_EQ(0, chown(t.dir.c_str(), kNobody, kNobody));
       },
       "lies in \"DIR\", which belongs to user 65534", ""},
      {"missing", [](TrustedFileTest&) {}, "errno 2", "errno 2"},
  };
  for (const Row& row : rows) {
    TearDown();
    SetUp();
    row.setUp(*this);
    const auto expect = [&](const char* text) {
      std::string wanted = text;
      const auto at = wanted.find("DIR");
      if (at != std::string::npos) wanted.replace(at, 3, dir);
      return wanted;
    };
    EXPECT_EQ(expect(row.settings), Open(FileRule::Settings, file)) << row.name;
    EXPECT_EQ(expect(row.agent), Open(FileRule::Agent, file)) << row.name;
  }
}

TEST_F(TrustedFileTest, SettingsDirectoriesAreCheckedWhereTheyReallyAre) {
  // A link among the directories is followed and the real ones checked.
  ASSERT_EQ(0, mkdir((dir + "/real").c_str(), 0755));
  ASSERT_EQ(0, symlink("real", (dir + "/conf").c_str()));
  Make(dir + "/real/kestro.reg", 0600);
  EXPECT_EQ("", Open(FileRule::Settings, dir + "/conf/kestro.reg"));
  ASSERT_EQ(0, chmod((dir + "/real").c_str(), 0775));
  EXPECT_EQ("lies in \"" + dir + "/real\", which others than its owner may write",
            Open(FileRule::Settings, dir + "/conf/kestro.reg"));
}

TEST_F(TrustedFileTest, OwnFilesAreCreatedPrivateAndOnlyTheProgramsOwnAreUsed) {
  const mode_t mask = umask(022);
  EXPECT_EQ("", OpenOwn(0640));
  EXPECT_EQ(0640u, Mode(file));
  // Left wider by an older version: narrowed.
  ASSERT_EQ(0, chmod(file.c_str(), 0666));
  EXPECT_EQ("", OpenOwn(0600));
  EXPECT_EQ(0600u, Mode(file));
  umask(mask);

  const std::string target = dir + "/target";
  const struct {
    const char* name;
    std::function<void()> setUp;
    const char* outcome;
  } rows[] = {
      {"a link to another file", [&] { ASSERT_EQ(0, symlink(target.c_str(), file.c_str())); },
       "is a symbolic link"},
      {"a dangling link", [&] { ASSERT_EQ(0, symlink((dir + "/none").c_str(), file.c_str())); },
       "is a symbolic link"},
      {"a second link to another file", [&] { ASSERT_EQ(0, link(target.c_str(), file.c_str())); },
       "has 2 links"},
      {"a FIFO, without blocking", [&] { ASSERT_EQ(0, mkfifo(file.c_str(), 0600)); },
       "is not a regular file"},
      {"another user's file",
       [&] {
         Make(file, 0600);
         if (geteuid() == 0) ASSERT_EQ(0, chown(file.c_str(), kNobody, kNobody));
       },
       geteuid() == 0 ? "belongs to user 65534" : ""},
  };
  for (const auto& row : rows) {
    unlink(file.c_str());
    unlink(target.c_str());
    Make(target, 0600, geteuid());
    row.setUp();
    EXPECT_EQ(row.outcome, OpenOwn(0640)) << row.name;
    struct stat st;
    ASSERT_EQ(0, stat(target.c_str(), &st)) << row.name;
    EXPECT_EQ(3, st.st_size) << row.name << ": the other file was written";
    EXPECT_NE(0, access((dir + "/none").c_str(), F_OK)) << row.name << ": created through a link";
  }
}

}  // namespace
}  // namespace kestro
