// The last error as "%s (0x%x)", the margin of 14 and codes without a text.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "log/last_error_text.h"

namespace kestro {
namespace {

using testing::FakeSystem;

class LastErrorTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Install();
    sys.lastError.messages[5] = "Access is denied.\r\n";
    sys.lastError.messages[0x4C7] = "The operation was canceled by the user.\r\n";
    sys.lastError.messages[77] = "No line end";
  }
  std::string Text(std::uint32_t code, std::size_t size) {
    sys.lastError.code = code;
    std::vector<char> buffer(size + 1, '#');
    const char* result = GetLastErrorText(buffer.data(), size);
    EXPECT_EQ(buffer.data(), result);
    return result;
  }
  FakeSystem sys;
};

TEST_F(LastErrorTextTest, SystemTextWithoutLineEndThenTheHexCode) {
  EXPECT_EQ("Access is denied. (0x5)", Text(5, 256));
  EXPECT_EQ("The operation was canceled by the user. (0x4c7)", Text(0x4C7, 256));
}

TEST_F(LastErrorTextTest, BufferMustHoldTheTextPlusFourteen) {
  const std::size_t length = std::string("Access is denied.\r\n").size();
  EXPECT_EQ("Access is denied. (0x5)", Text(5, length + 14));
  EXPECT_EQ("", Text(5, length + 13));
  EXPECT_EQ("", Text(5, 1));
}

TEST_F(LastErrorTextTest, CodeWithoutATextGivesTheEmptyText) {
  EXPECT_EQ("", Text(0xDEAD, 256));
}

TEST_F(LastErrorTextTest, TextWithoutLineEndIsNotCut) {
  EXPECT_EQ("No line end (0x4d)", Text(77, 256));
}

}  // namespace
}  // namespace kestro
