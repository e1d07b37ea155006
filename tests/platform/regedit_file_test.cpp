// Reading registry exports: what `reg export` writes and `reg import` reads.
#include <gtest/gtest.h>

#include "platform/regedit_file.h"

namespace kestro {
namespace {

const char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro";

TEST(RegeditFile, ReadsTextNumbersAndEscapes) {
  const RegKeys keys = ParseRegeditText(
      "REGEDIT4\r\n\r\n"
      "; settings\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"
      "\"LogDir\"=\"C:\\\\Logs\\\\\"\r\n"
      "\"Argument1\"=\"say \\\"hi\\\" = yes\"\r\n"
      "\"PingDelay\"=dword:0000000a\r\n"
      "\"Other\"=dword:FFFFFFFF\r\n");
  const RegValues& v = keys.at(kKey);
  EXPECT_EQ(RegValue::Type::Text, v.at("LogDir").type);
  EXPECT_EQ("C:\\Logs\\", v.at("LogDir").text);
  EXPECT_EQ("say \"hi\" = yes", v.at("Argument1").text);
  EXPECT_EQ(RegValue::Type::Dword, v.at("PingDelay").type);
  EXPECT_EQ(10u, v.at("PingDelay").number);
  EXPECT_EQ(0xFFFFFFFFu, v.at("Other").number);
}

TEST(RegeditFile, NamesAreCaseInsensitiveAndTheLastDefinitionWins) {
  const RegKeys keys = ParseRegeditText(
      "REGEDIT4\n[hkey_local_machine\\software\\morvane\\kestro]\n\"pingdelay\"=dword:1\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n\"PINGDELAY\"=dword:2\n");
  EXPECT_EQ(2u, keys.at(kKey).at("PingDelay").number);
}

TEST(RegeditFile, HexFormsAndContinuationLines) {
  const RegKeys keys = ParseRegeditText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"
      "\"Expand\"=hex(2):25,54,45,\\\n  4d,50,25,00\n"
      "\"Number\"=hex(4):01,02,00,00\n"
      "\"Binary\"=hex:01,02\n");
  const RegValues& v = keys.at(kKey);
  EXPECT_EQ(RegValue::Type::ExpandText, v.at("Expand").type);
  EXPECT_EQ("%TEMP%", v.at("Expand").text);
  EXPECT_EQ(0x201u, v.at("Number").number);
  EXPECT_EQ(RegValue::Type::Other, v.at("Binary").type);
}

TEST(RegeditFile, OnlyHexDataContinuesOnTheNextLine) {
  // A comment, a key or a text ending in a backslash is a line of its own:
  // the value after it must not be swallowed.
  const RegKeys keys = ParseRegeditText(
      "REGEDIT4\r\n; logs go to C:\\Logs\\\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"
      "; logs go to C:\\Logs\\\r\n"
      "\"PingDelay\"=dword:00000005\r\n"
      "\"Open\"=\"C:\\\r\n"
      "\"NumberOfPingSweeps\"=dword:00000003\r\n"
      "\"Binary\" = hex:01,\\\r\n  02,\\\r\n  03\r\n"
      "\"Command1\"=\"/bin/true\"\r\n");
  const RegValues& v = keys.at(kKey);
  EXPECT_EQ(5u, v.at("PingDelay").number);
  EXPECT_EQ(3u, v.at("NumberOfPingSweeps").number);
  EXPECT_EQ(0u, v.count("Open"));
  EXPECT_EQ(RegValue::Type::Other, v.at("Binary").type);
  EXPECT_EQ("/bin/true", v.at("Command1").text);
  // Hex data cut short by the end of the file is still read.
  EXPECT_EQ("AB", ParseRegeditText("[K]\n\"T\"=hex(1):41,\\\n42,\\\n").at("K").at("T").text);
}

TEST(RegeditFile, DeletionsAndUnreadableLines) {
  const RegKeys keys = ParseRegeditText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"
      "\"A\"=dword:1\n\"B\"=dword:2\n\"A\"=-\n"
      "\"Bad\"=dword:123456789\n\"Open\"=\"no end\n\"Junk\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n\"X\"=dword:1\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n");
  const RegValues& v = keys.at(kKey);
  EXPECT_EQ(0u, v.count("A"));
  EXPECT_EQ(1u, v.count("B"));
  EXPECT_EQ(0u, v.count("Bad"));
  EXPECT_EQ(0u, v.count("Open"));
  EXPECT_EQ(0u, keys.count("HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone"));
}

// Each byte as one UTF-16LE unit: ASCII, and Latin-1 for the rest.
std::string Wide(const std::string& bytes) {
  std::string wide;
  for (char c : bytes) wide += std::string{c, '\0'};
  return wide;
}

TEST(RegeditFile, WholeFilesOfEitherVersionInEitherEncoding) {
  const std::string body = std::string("\r\n[") + kKey + "]\r\n\"Service1\"=\"\xDC\"\r\n" +
                           "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n";
  const std::string v5 = std::string(kRegedit5) + body, wide = "\xFF\xFE" + Wide(v5);
  const std::string notRead = std::string("does not begin with \"") + kRegedit4 + "\" or \"" + kRegedit5 + "\"";
  const std::string broken = "is UTF-16 text that is cut short or broken";
  const struct {
    std::string bytes, service, expand, why;
  } cases[] = {
      {v5, "\xDC", "%TEMP%", ""},  // version 5 in 8 bits: its hex texts are still UTF-16
      {wide, "\xC3\x9C", "%TEMP%", ""},
      {"\xEF\xBB\xBF" + std::string(kRegedit4) + body, "\xDC", "%", ""},
      {wide.substr(0, wide.size() - 1), "", "", broken},
      {wide + std::string("\x00\xDC", 2), "", "", broken},  // half a surrogate pair
      {Wide(v5), "", "", notRead},                         // UTF-16 without its mark
      {body, "", "", notRead},
      {"", "", "", ""},  // no bytes at all: no keys, as no file
  };
  for (const auto& c : cases) {
    RegKeys keys;
    std::string why;
    EXPECT_EQ(c.why.empty(), ReadRegeditFile(c.bytes, &keys, &why)) << c.why;
    EXPECT_EQ(c.why, why);
    if (!c.why.empty() || c.bytes.empty()) continue;
    EXPECT_EQ(c.service, keys.at(kKey).at("Service1").text);
    EXPECT_EQ(c.expand, keys.at(kKey).at("Expand").text);
  }
}

TEST(RegeditFile, ValuesOutsideAKeyAreIgnored) {
  const RegKeys keys = ParseRegeditText("\"A\"=dword:1\n[broken\n\"B\"=dword:1\n");
  EXPECT_TRUE(keys.empty());
}

}  // namespace
}  // namespace kestro
