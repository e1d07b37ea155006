// One log line with rotation due, with every platform call failing in turn.
#include "fakes/fault_sweep.h"
#include "log/write_log.h"

namespace kestro {
namespace {

using namespace testing;

const char kCurrent[] = "/var/log/kestro/Kestro-2.txt";
const char kPrevious[] = "/var/log/kestro/Kestro-1.txt";
const std::string kLine = "2003/07/15 14:03:27:045: rotated\r\n";

// The status, what became of the previous generation, where the line went.
Expected Facts(FakeSystem& sys, int status) {
  auto& files = sys.files.contents;
  const std::string previous = !files.count(kPrevious)       ? "none"
                               : files[kPrevious] == "old"    ? "old"
                               : files[kPrevious].size() > kRotationLimit ? "rotated"
                                                                         : "other";
  const std::string& current = files[kCurrent];
  const std::string line = current == kLine ? "fresh"
                           : current.size() > kLine.size() &&
                                   current.compare(current.size() - kLine.size(), kLine.size(), kLine) == 0
                               ? "appended"
                               : "lost";
  return {"result:" + std::to_string(status), "previous:" + previous, "line:" + line};
}

TEST(WriteLogSweep, EveryFailedCallEndsAsDesigned) {
  Oracle o;
  o.otherwise = {"result:0", "previous:rotated", "line:fresh"};
  o.byCall["OpenLockFile"] = {
      "result:1", "previous:old", "line:lost",
      "event:The file '/var/log/kestro/Kestro.lck' was not opened. Error: Permission denied"};
  // Rotation that fails is left for the next call; the line goes on the full file.
  o.byCall["GetFileSize"] = {"result:0", "previous:old", "line:appended"};
  // The previous generation is renamed aside, deleted, and the current one
  // moved onto its name. Aside refused: it is deleted where it is. Not
  // deleted: it gets its name back, and the full file stays.
  o.byCall["MoveFile#1"] = {"result:0", "previous:rotated", "line:fresh"};
  o.byCall["DeleteFile"] = {"result:0", "previous:old", "line:appended"};
  o.byCall["MoveFile#2"] = {"result:0", "previous:none", "line:appended"};
  o.byCall["AppendFile"] = {"result:0", "previous:rotated", "line:lost",
                            "err:Can't open file \"/var/log/kestro/Kestro-2.txt\".\n"};
  const int runs = SweepCalls(
      [](FakeSystem& sys) {
        sys.files.contents[kCurrent] = std::string(kRotationLimit + 1, 'x');
        sys.files.contents[kPrevious] = "old";
        sys.registry.SetText("SOFTWARE\\Morvane\\Kestro", "LogDir", "/var/log/kestro");
        return [&sys] { return Facts(sys, WriteLog("rotated")); };
      },
      o);
  EXPECT_EQ(15, runs);  // the log directory's four (the policy key's open), the lock's four, the files' six, the stamp
}

}  // namespace
}  // namespace kestro
