// The version text from the program's own version resource.
#include <gtest/gtest.h>

#include "app/file_version.h"
#include "fakes/fake_system.h"

namespace kestro {
namespace {

using testing::FakeSystem;

TEST(FileVersion, QueriesTheFileVersionEntryInOrder) {
  FakeSystem sys;
  sys.Install();
  EXPECT_EQ("2001.02.03.4", GetFileVersionText());
  EXPECT_EQ("\\StringFileInfo\\040904B0\\FileVersion", sys.module.queried);
  EXPECT_EQ((std::vector<std::string>{"GetModuleHandleA", "GetModuleFileNameA",
                                      "GetFileVersionInfoSizeA", "GetFileVersionInfoA",
                                      "VerQueryValueA"}),
            sys.plan.Calls());
}

TEST(FileVersion, EmptyWhenAnyStepFails) {
  for (const char* call : {"GetModuleFileNameA", "GetFileVersionInfoSizeA",
                           "GetFileVersionInfoA", "VerQueryValueA"}) {
    FakeSystem sys;
    sys.Install();
    sys.plan.Fail(call);
    EXPECT_EQ("", GetFileVersionText()) << call;
  }
  FakeSystem sys;
  sys.Install();
  sys.module.hasFileVersion = false;
  EXPECT_EQ("", GetFileVersionText());
}

}  // namespace
}  // namespace kestro
