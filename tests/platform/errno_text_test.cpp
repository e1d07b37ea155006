// The C runtime's error texts, taken from two threads at once as the log's
// error paths do.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/errno_text.h"

namespace kestro {
namespace {

TEST(ErrnoText, EachThreadGetsTheTextOfItsOwnCode) {
  EXPECT_EQ("Permission denied", ErrnoText(EACCES));
  auto run = [](int code, const std::string& expected, bool* same) {
    for (int i = 0; i < 20000 && *same; ++i) *same = ErrnoText(code) == expected;
  };
  // Unknown codes are formatted into a buffer: the case where a shared one
  // would mix the threads' texts.
  bool first = true, second = true;
  std::thread a(run, 100001, "Unknown error 100001", &first);
  std::thread b(run, 200002, "Unknown error 200002", &second);
  a.join();
  b.join();
  EXPECT_TRUE(first);
  EXPECT_TRUE(second);
}

}  // namespace
}  // namespace kestro
