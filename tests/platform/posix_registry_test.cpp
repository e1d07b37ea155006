// The settings file standing in for the registry on Linux.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/posix/registry_posix.h"

namespace kestro {
namespace {

class PosixRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestro-reg-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    file = dir + "/kestro.reg";
    setenv("KESTRO_REGISTRY", file.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KESTRO_REGISTRY");
    unlink(file.c_str());
    rmdir(dir.c_str());
  }
  void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

  std::string dir;
  std::string file;
  PosixRegistry registry;
};

TEST_F(PosixRegistryTest, EnvironmentChoosesTheFileAndDefaultIsUnderEtc) {
  EXPECT_EQ(file, PosixRegistry::FilePath());
  unsetenv("KESTRO_REGISTRY");
  EXPECT_EQ("/etc/kestro/kestro.reg", PosixRegistry::FilePath());
}

TEST_F(PosixRegistryTest, MissingFileOrKeyIsAMissingKey) {
  RegKey key;
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  Write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n");
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
}

TEST_F(PosixRegistryTest, AbsurdlyLargeFileIsRefusedWithAReason) {
  const std::string head =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"
      "\"PingDelay\"=dword:00000001\r\n";
  // Just at the limit: read.
  Write(head + std::string(kMaxSettingsFileSize - head.size(), ';'));
  RegKey key;
  ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  registry.CloseKey(key);
  EXPECT_EQ("", registry.OpenKeyProblem());
  // One byte more: refused, and the reason names the file.
  Write(head + std::string(kMaxSettingsFileSize - head.size() + 1, ';'));
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  EXPECT_EQ("The settings file \"" + file + "\" is larger than 16777216 bytes and was not read",
            registry.OpenKeyProblem());
  // A missing file is a missing key again, without a reason.
  unlink(file.c_str());
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  EXPECT_EQ("", registry.OpenKeyProblem());
  // No export, or a read that fails part way: refused, never taken as empty.
  Write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n");
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  EXPECT_EQ("The settings file \"" + file + "\" does not begin with \"REGEDIT4\" or \"Windows Registry "
            "Editor Version 5.00\" and was not read", registry.OpenKeyProblem());
  setenv("KESTRO_REGISTRY", (file + "/kestro.reg").c_str(), 1);  // a file on the way: no folder
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  EXPECT_EQ("The settings file \"" + file + "/kestro.reg\" could not be opened (Not a directory) and was "
            "not read", registry.OpenKeyProblem());
  setenv("KESTRO_REGISTRY", "/proc/self/mem", 1);  // a regular file of ours that read() fails on
  EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  EXPECT_EQ("The settings file \"/proc/self/mem\" could not be read (Input/output error) and was not read",
            registry.OpenKeyProblem());
}

TEST_F(PosixRegistryTest, AnswersQueriesByTypeAndSize) {
  Write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"
        "\"PingDelay\"=dword:00000000\r\n\"LogDir\"=\"/tmp/x\"\r\n\"Long\"=\"" +
        std::string(254, 'a') + "\"\r\n" + std::string("\"Nul\"=\"before\0after\"\r\n", 22));
  RegKey key;
  ASSERT_TRUE(registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key));
  std::uint32_t n = 99;
  std::string text;
  EXPECT_TRUE(registry.QueryDword(key, "PingDelay", &n));
  EXPECT_EQ(0u, n);
  EXPECT_FALSE(registry.QueryDword(key, "LogDir", &n));
  EXPECT_TRUE(registry.QueryText(key, "LogDir", 254, &text));
  EXPECT_EQ("/tmp/x", text);
  EXPECT_FALSE(registry.QueryText(key, "PingDelay", 254, &text));
  EXPECT_FALSE(registry.QueryText(key, "Long", 254, &text));
  EXPECT_TRUE(registry.QueryText(key, "Long", 255, &text));
  EXPECT_FALSE(registry.QueryText(key, "Missing", 254, &text));
  EXPECT_TRUE(registry.QueryText(key, "Nul", 254, &text));
  EXPECT_EQ("before", text);
  registry.CloseKey(key);
  EXPECT_FALSE(registry.QueryDword(key, "PingDelay", &n));
}

}  // namespace
}  // namespace kestro
