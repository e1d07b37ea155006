// The log line, the log directory, rotation and the lock protocol, on fakes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>
#include <utility>

#include "fakes/fake_system.h"
#include "log/report_event.h"
#include "log/log_line.h"
#include "log/repeated_attempt.h"
#include "log/write_log.h"
#include "platform/own_file_security.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

using testing::FakeSystem;

const char kCurrent[] = "/var/log/kestro/Kestro-2.txt";
const char kPrevious[] = "/var/log/kestro/Kestro-1.txt";
const char kLock[] = "/var/log/kestro/Kestro.lck";

class WriteLogTest : public ::testing::Test {
 protected:
  void SetUp() override { sys.Install(); }
  FakeSystem sys;
};

TEST(LogLine, StampIsFixedWidthAndZeroPadded) {
  EXPECT_EQ("2003/07/15 14:03:27:045", FormatTimeStamp({2003, 7, 15, 14, 3, 27, 45}));
  EXPECT_EQ("0999/01/02 00:00:00:000", FormatTimeStamp({999, 1, 2, 0, 0, 0, 0}));
  EXPECT_EQ("2026/12/31 23:59:59:999", FormatTimeStamp({2026, 12, 31, 23, 59, 59, 999}));
  EXPECT_EQ("10000/01/02 00:00:00:-01", FormatTimeStamp({10000, 1, 2, 0, 0, 0, -1}));
}

TEST(LogLine, LineFeedsBecomeCrLfAndTheMessageEndsAtNul) {
  const std::string stamp = "2003/07/15 14:03:27:045";
  EXPECT_EQ(stamp + ": \r\n", FormatLogLine(stamp, ""));
  EXPECT_EQ(stamp + ": a\r\nb\r\n", FormatLogLine(stamp, "a\nb"));
  EXPECT_EQ(stamp + ": ab\r\n", FormatLogLine(stamp, std::string("ab\0cd", 5)));
}

TEST(LogLine, OtherControlCharactersAreShownEscaped) {
  // An ESC sequence from a host name must not rewrite what a terminal shows.
  const std::pair<const char*, const char*> rows[] = {
      {"a\x1b[1Ab", "a\\x1b[1Ab"},
      {"a\r\n", "a\\x0d\r\n"},
      {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
      {"tab\tstays", "tab\tstays"},
      {"\x80\xe4 high bytes stay", "\x80\xe4 high bytes stay"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(std::string("s: ") + row.second + "\r\n", FormatLogLine("s", row.first)) << row.first;
}

TEST_F(WriteLogTest, AppendsOneStampedLineUnderTheLock) {
  EXPECT_EQ(0, WriteLog("Network address table change!"));
  EXPECT_EQ("2003/07/15 14:03:27:045: Network address table change!\r\n",
            sys.files.contents[kCurrent]);
  EXPECT_TRUE(sys.byteLock.created.count(kLock));
  EXPECT_EQ(0, sys.byteLock.OpenHandles());
  EXPECT_FALSE(sys.byteLock.Held(kLock));
  // The stamp is taken before the lock is sought; size and append under it.
  const std::vector<std::string> calls = sys.plan.Calls();
  const std::vector<std::string> tail(calls.end() - 7, calls.end());
  EXPECT_EQ((std::vector<std::string>{"GetLocalTime", "OpenLockFile", "LockFile", "GetFileSize",
                                      "AppendFile", "UnlockFile", "CloseLockFile"}),
            tail);
}

TEST_F(WriteLogTest, LogDirComesFromTheRegistryOnceAndIsUsedAsStored) {
  sys.registry.SetText(kSettingsKeyPath, "LogDir", "/srv/logs/");
  EXPECT_EQ(0, WriteLog("one"));
  sys.registry.SetText(kSettingsKeyPath, "LogDir", "/elsewhere");
  EXPECT_EQ(0, WriteLog("two"));
  // A trailing separator doubles; a changed value has no effect until restart.
  ASSERT_EQ(1u, sys.files.contents.size());
  EXPECT_EQ("2003/07/15 14:03:27:045: one\r\n2003/07/15 14:03:27:045: two\r\n",
            sys.files.contents["/srv/logs//Kestro-2.txt"]);
  EXPECT_EQ(2, sys.plan.Count("RegOpenKeyExA"));  // the own key and the policy key, once
}

TEST_F(WriteLogTest, EmptyOrUnreadableLogDirFallsBackToTheDefault) {
  sys.registry.SetText(kSettingsKeyPath, "LogDir", "");
  WriteLog("x");
  EXPECT_TRUE(sys.files.contents.count(kCurrent));
  sys.files.contents.clear();
  ResetLogDirectory();
  sys.registry.SetText(kSettingsKeyPath, "LogDir", std::string(254, 'd'));
  WriteLog("x");
  EXPECT_TRUE(sys.files.contents.count(kCurrent));
  sys.files.contents.clear();
  ResetLogDirectory();
  sys.registry.SetText(kSettingsKeyPath, "LogDir", "%TEMP%", RegValue::Type::ExpandText);
  WriteLog("x");
  EXPECT_TRUE(sys.files.contents.count("%TEMP%/Kestro-2.txt"));
  // The policy's LogDir wins; one it sets that cannot be read gives way.
  for (const bool readable : {true, false}) {
    sys.files.contents.clear();
    ResetLogDirectory();
    if (readable) sys.registry.SetText(kPolicyKeyPath, "LogDir", "/p");
    if (!readable) sys.registry.SetDword(kPolicyKeyPath, "LogDir", 1);
    WriteLog("x");
    EXPECT_TRUE(sys.files.contents.count(readable ? "/p/Kestro-2.txt" : "%TEMP%/Kestro-2.txt"));
  }
}

TEST_F(WriteLogTest, RotatesOnlyAboveTheLimit) {
  // Exactly at the limit: appended, not rotated; one line later: rotated.
  sys.files.contents[kCurrent] = std::string(kRotationLimit, 'x');
  sys.files.contents[kPrevious] = "old generation";
  WriteLog("at the limit");
  EXPECT_EQ("old generation", sys.files.contents[kPrevious]);
  const std::uint64_t grown = sys.files.contents[kCurrent].size();
  EXPECT_GT(grown, kRotationLimit);
  WriteLog("past the limit");
  EXPECT_EQ(grown, sys.files.contents[kPrevious].size());
  EXPECT_EQ("2003/07/15 14:03:27:045: past the limit\r\n", sys.files.contents[kCurrent]);
}

TEST_F(WriteLogTest, PreviousGenerationHeldWithoutDeleteSharingLeavesAllLinesInTheCurrentFile) {
  sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'x');
  sys.files.contents[kPrevious] = "held open elsewhere";
  sys.files.heldWithoutDeleteSharing.insert(kPrevious);
  WriteLog("a");
  WriteLog("b");
  EXPECT_EQ("held open elsewhere", sys.files.contents[kPrevious]);
  EXPECT_EQ(kRotationLimit + 1 + 2 * 28, sys.files.contents[kCurrent].size());
  EXPECT_EQ(2, sys.plan.Count("DeleteFile"));  // tried again at every call
  EXPECT_EQ(2u, sys.files.contents.size());
}

TEST_F(WriteLogTest, PreviousGenerationHeldWithDeleteSharingDoesNotStopRotation) {
  // A reader that allows deletion: the old generation goes aside under a name
  // of its own, pending deletion, and the names the administrator knows move on.
  sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'x');
  sys.files.contents[kPrevious] = "read elsewhere";
  sys.files.heldWithDeleteSharing.insert(kPrevious);
  WriteLog("rotated");
  EXPECT_EQ(kRotationLimit + 1, sys.files.contents[kPrevious].size());
  EXPECT_EQ("2003/07/15 14:03:27:045: rotated\r\n", sys.files.contents[kCurrent]);
  const std::string aside = std::string(kPrevious) + ".5000.del";
  EXPECT_TRUE(sys.files.pendingDelete.count(aside));
  sys.files.CloseElsewhere(aside);
  EXPECT_EQ(2u, sys.files.contents.size());
}

TEST_F(WriteLogTest, PreviousGenerationThatCannotBeDeletedKeepsItsName) {
  // Renamed aside but then not deletable (read-only, say): renamed back.
  sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'x');
  sys.files.contents[kPrevious] = "read-only";
  sys.plan.Fail("DeleteFile", 1, true);
  WriteLog("a");
  EXPECT_EQ("read-only", sys.files.contents[kPrevious]);
  EXPECT_EQ(2u, sys.files.contents.size());
  EXPECT_EQ(kRotationLimit + 1 + 28, sys.files.contents[kCurrent].size());
}

TEST_F(WriteLogTest, RotationDeletesAsideFilesLeftBehind) {
  // Neither deleted nor named back (or the writer died in between): the
  // aside file stays, until the next rotation finds it.
  sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'x');
  sys.files.contents[kPrevious] = "old";
  sys.plan.Fail("DeleteFile");
  sys.plan.Fail("MoveFile", 2);
  WriteLog("a");
  const std::string aside = std::string(kPrevious) + ".5000.del";
  EXPECT_EQ("old", sys.files.contents[aside]);
  // Files of other names are not the rotation's.
  const std::string others[] = {std::string(kPrevious) + ".x1.del", std::string(kPrevious) + ".del",
                                std::string(kPrevious) + ".12.del.txt"};
  for (const std::string& other : others) sys.files.contents[other] = "keep";
  sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'y');
  WriteLog("b");
  EXPECT_EQ(0u, sys.files.contents.count(aside));
  for (const std::string& other : others) EXPECT_EQ("keep", sys.files.contents[other]) << other;
  EXPECT_EQ(kRotationLimit + 1, sys.files.contents[kPrevious].size());
}

TEST_F(WriteLogTest, UnopenableLogFileIsReportedOnStandardError) {
  sys.plan.Fail("AppendFile");
  EXPECT_EQ(0, WriteLog("lost"));
  EXPECT_EQ(std::string("Can't open file \"") + kCurrent + "\".\n", sys.console.err);
  EXPECT_FALSE(sys.byteLock.Held(kLock));
  EXPECT_EQ(0, sys.byteLock.OpenHandles());
}

TEST_F(WriteLogTest, UnopenableLockFileGivesStatusOneAndAnErrorEntryFirstThenHourly) {
  sys.plan.Fail("OpenLockFile", 1, true, EACCES);
  EXPECT_EQ(1, WriteLog("lost"));
  EXPECT_TRUE(sys.files.contents.empty());
  EXPECT_EQ(1, WriteLog("lost again"));
  sys.clock.Advance(60 * 60 * 1000);
  EXPECT_EQ(1, WriteLog("lost an hour later"));
  sys.plan.Fail("OpenLockFile", 5, true, EACCES);  // the fourth opens: said at the next failure again
  EXPECT_EQ(0, WriteLog("written"));
  EXPECT_EQ(1, WriteLog("lost once more"));
  const auto entries = sys.eventLog.Entries();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(kEventError, entries[0].type);
  EXPECT_EQ(956, entries[0].category);
  EXPECT_EQ(957u, entries[0].eventId);
  EXPECT_EQ(std::vector<std::string>{std::string("The file '") + kLock +
                                     "' was not opened. Error: " + std::strerror(EACCES)},
            entries[0].strings);
  EXPECT_EQ(0, sys.eventLog.Registered());
}

TEST_F(WriteLogTest, RefusedLockOrLogFileIsNotUsedAndTheEventLogSaysWhy) {
  // Said at the first line, not at every one: then once an hour.
  sys.byteLock.refused[kLock] = "is a symbolic link";
  EXPECT_EQ(1, WriteLog("lost"));
  EXPECT_EQ(1, WriteLog("lost again"));
  sys.clock.Advance(60 * 60 * 1000);
  EXPECT_EQ(1, WriteLog("lost an hour later"));
  sys.byteLock.refused.clear();
  sys.files.refused[kCurrent] = "belongs to user 65534";
  EXPECT_EQ(0, WriteLog("lost too"));
  EXPECT_EQ(0, WriteLog("lost as well"));
  EXPECT_TRUE(sys.files.contents.empty());
  const std::string cannotOpen = std::string("Can't open file \"") + kCurrent + "\".\n";
  EXPECT_EQ(cannotOpen + cannotOpen, sys.console.err);
  EXPECT_FALSE(sys.byteLock.Held(kLock));
  auto entries = sys.eventLog.Entries();
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(entries[0].strings, entries[1].strings);
  entries.erase(entries.begin() + 1);
  EXPECT_EQ(std::string("The file '") + kLock + "' was not opened. Error: it is a symbolic link", entries[0].strings.at(0));
  EXPECT_EQ(std::string("The file '") + kCurrent + "' was not opened. Error: it belongs to user 65534",
            entries[1].strings.at(0));
}

// On Windows the lock and log files are judged by their owner and access
// list: a Kestro.lck an ordinary user made beforehand is refused like a
// foreign file on Linux.
TEST_F(WriteLogTest, ForeignWindowsLockOrLogFileIsRefused) {
  const AccessGrant admins{Principal::Administrators, "S-1-5-32-544", 0x1F01FF};
  const AccessGrant usersRead{Principal::Other, "S-1-5-32-545", 0x120089};
  const AccessGrant usersModify{Principal::Other, "S-1-5-11", 0x1301BF};
  const std::string user = "S-1-5-21-1-2-3-1004";
  struct Row {
    FileSecurity security;
    std::string lockRefusal, logRefusal;
    bool narrowed = false;  // the writer gives it the program's rights and uses it
  };
  const auto on = [](FileSecurity s, bool reparse, std::uint32_t links, bool acls, bool share) {
    s.reparsePoint = reparse, s.links = links, s.volumeKeepsAccessLists = acls, s.onShare = share;
    return s;
  };
  const FileSecurity everyone{Principal::Other, "S-1-1-0", false, {}};
  const FileSecurity computer{Principal::ComputerAccount, "S-1-5-21-1-2-3-1105", true, {admins}};
  for (const Row& r : std::vector<Row>{
           {{Principal::Other, user, true, {admins}}, "belongs to " + user, "belongs to " + user},
           {{Principal::System, "S-1-5-18", true, {admins, usersModify}},
            "may be written or deleted by S-1-5-11", "may be written or deleted by S-1-5-11", true},
           // Reading a log is fine; whoever can open the lock file can hold it.
           {{Principal::Administrators, "S-1-5-32-544", true, {admins, usersRead}},
            "may be opened by S-1-5-32-545", "", true},
           {{Principal::ThisAccount, user, false, {}}, "may be written by every user",
            "may be written by every user", true},
           {{Principal::ThisAccount, user, true, {{Principal::ThisAccount, user, 0x1F01FF}}}, "", ""},
           // A link is judged itself, never by the file it leads to.
           {on({Principal::System, "S-1-5-18", true, {admins}}, true, 1, true, false),
            "is a reparse point (a link)", "is a reparse point (a link)"},
           {on({Principal::System, "S-1-5-18", true, {admins}}, false, 2, true, false), "has 2 links",
            "has 2 links"},
           // FAT and exFAT keep no owner or rights to judge: used as they are.
           {on(everyone, false, 1, false, false), "", ""},
           // On a share the computer account is the program's own; elsewhere not.
           {on(computer, false, 1, true, true), "", ""},
           {computer, "belongs to S-1-5-21-1-2-3-1105", "belongs to S-1-5-21-1-2-3-1105"},
       }) {
    EXPECT_EQ(r.lockRefusal, OwnFileRefusal(r.security, true));
    EXPECT_EQ(r.logRefusal, OwnFileRefusal(r.security, false));
    EXPECT_EQ(r.narrowed, JudgeOwnFile(r.security, true).narrowable);
  }
  sys.byteLock.refused[kLock] = OwnFileRefusal({Principal::Other, user, true, {admins}}, true);
  EXPECT_EQ(1, WriteLog("lost"));
  EXPECT_TRUE(sys.files.contents.empty());
  EXPECT_EQ(std::string("The file '") + kLock + "' was not opened. Error: it belongs to " + user,
            sys.eventLog.Entries().at(0).strings.at(0));
}

TEST_F(WriteLogTest, LockHeldElsewhereGivesUpAfterSixtyAttempts) {
  sys.byteLock.HoldElsewhere(kLock);
  EXPECT_EQ(2, WriteLog("lost"));
  EXPECT_EQ(60, sys.plan.Count("LockFile"));
  EXPECT_EQ(60, sys.clock.sleeps);  // the pause follows the last failure too
  EXPECT_EQ(60000u, sys.clock.sleptMs);
  EXPECT_TRUE(sys.files.contents.empty());
  EXPECT_EQ(0, sys.byteLock.OpenHandles());
  const auto entries = sys.eventLog.Entries();
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(kEventError, entries[0].type);
  EXPECT_EQ(std::string("The file '") + kLock + "' could not be locked. " + std::strerror(EACCES),
            entries[0].strings.at(0));
}

TEST_F(WriteLogTest, LockHeldPastSixtySecondsDropsEachLineThenRecoversAtOnce) {
  // Another writer takes the lock and keeps it for 150 s of the clock.
  struct ReleasingClock : testing::FakeClock {
    using FakeClock::FakeClock;
    std::function<void()> release;
    std::int64_t releaseAtMs = 0;
    void SleepMs(std::uint32_t ms) override {
      FakeClock::SleepMs(ms);
      if (release && unixMs >= releaseAtMs) std::exchange(release, nullptr)();
    }
  } clock(sys.plan);
  clock.releaseAtMs = clock.unixMs + 150000;
  clock.release = [this] { sys.byteLock.ReleaseElsewhere(kLock); };
  sys.byteLock.HoldElsewhere(kLock);
  Platform table = sys.Table();
  table.clock = &clock;
  SetPlatform(table);

  // Two writers each wait 60 s in vain, and each loses its line with an entry
  // of its own; the third gets the lock as soon as it is free.
  EXPECT_EQ(2, WriteLog("first writer"));
  EXPECT_EQ(2, WriteLog("second writer"));
  EXPECT_EQ(120, clock.sleeps);
  EXPECT_EQ(0, WriteLog("third writer"));
  EXPECT_EQ(150, clock.sleeps);
  EXPECT_EQ(0, WriteLog("after the holder"));
  EXPECT_EQ(150, clock.sleeps);  // no wait once the lock is free
  EXPECT_EQ((std::vector<std::string>{"third writer", "after the holder"}), sys.LogMessages());
  const auto entries = sys.eventLog.Entries();
  ASSERT_EQ(2u, entries.size());
  for (const auto& entry : entries)
    EXPECT_EQ(std::string("The file '") + kLock + "' could not be locked. " + std::strerror(EACCES),
              entry.strings.at(0));
  EXPECT_EQ(0, sys.byteLock.OpenHandles());
  EXPECT_FALSE(sys.byteLock.Held(kLock));
}

TEST_F(WriteLogTest, LockObtainedAtTheSixtiethAttemptWrites) {
  // 59 refusals, then the byte is free.
  struct Countdown : testing::FakeByteLock {
    using FakeByteLock::FakeByteLock;
    int failures = 59;
    bool TryLockByte(LockHandle h, int* e) override {
      if (failures-- > 0) {
        *e = EAGAIN;
        return false;
      }
      return FakeByteLock::TryLockByte(h, e);
    }
  } lock(sys.plan);
  Platform table = sys.Table();
  table.byteLock = &lock;
  SetPlatform(table);
  EXPECT_EQ(0, WriteLog("late"));
  EXPECT_EQ(59, sys.clock.sleeps);
  EXPECT_EQ("2003/07/15 14:03:27:045: late\r\n", sys.files.contents[kCurrent]);
  EXPECT_TRUE(sys.eventLog.Entries().empty());
}

TEST_F(WriteLogTest, LostEventSourceLosesTheEntrySilently) {
  sys.plan.Fail("OpenLockFile", 1, false, ENOENT);
  sys.plan.Fail("RegisterEventSourceA");
  EXPECT_EQ(1, WriteLog("lost"));
  EXPECT_TRUE(sys.eventLog.Entries().empty());
  EXPECT_EQ(0, sys.plan.Count("ReportEventA"));
  EXPECT_EQ(0, sys.plan.Count("DeregisterEventSource"));
}

// Another thread's line is never held and comes after the lines logged before it.
TEST_F(WriteLogTest, RepeatedAttemptLinesKeepTheirPlaceAroundAnotherThreadsLine) {
  RepeatedAttempt attempt;
  for (int i = 0; i < 3; ++i) {
    attempt.Begin();
    WriteLog("a");
    if (i == 1) std::thread([] { WriteLog("change"); }).join();
    WriteLog("b");
    attempt.End(true);
  }
  EXPECT_EQ((std::vector<std::string>{"a", "b", "a", "change", "b"}), sys.LogMessages());
}

}  // namespace
}  // namespace kestro
