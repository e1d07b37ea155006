// The text of the last error on Linux: the C library's, or the service
// manager's own message for the code its failure set.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "log/last_error_text.h"
#include "platform/platform.h"
#include "platform/posix/last_error_posix.h"

namespace kestro {
namespace {

class PosixLastErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatform(SystemPlatform()); }
  void TearDown() override { ForgetServiceManagerError(); }
  std::string Text() {
    char buffer[256];
    return GetLastErrorText(buffer, sizeof buffer);
  }
};

TEST_F(PosixLastErrorTest, ErrnoReadsAsTheCLibraryText) {
  errno = EACCES;
  EXPECT_EQ("Permission denied (0xd)", Text());
}

TEST_F(PosixLastErrorTest, ServiceManagerFailureKeepsItsMessageUntilForgotten) {
  SetServiceManagerError(ENOENT, "Unit nosuch.service not found.");
  EXPECT_EQ("Unit nosuch.service not found. (0x2)", Text());
  // Another failure with another code reads as the C library's.
  errno = ECONNREFUSED;
  EXPECT_EQ("Connection refused (0x6f)", Text());
  // Once the manager's handle is closed, the same code is a plain errno again.
  ForgetServiceManagerError();
  errno = ENOENT;
  EXPECT_EQ("No such file or directory (0x2)", Text());
}

TEST_F(PosixLastErrorTest, MessageIsPerThread) {
  SetServiceManagerError(ENOENT, "Unit nosuch.service not found.");
  std::string other;
  std::thread([&] {
    errno = ENOENT;
    other = Text();
  }).join();
  EXPECT_EQ("No such file or directory (0x2)", other);
}

}  // namespace
}  // namespace kestro
