// The table of settings and what is written from it: the real table's rows
// hold together, and the writers' output on a two-row table, piece by piece.
#include <gtest/gtest.h>

#include <set>

#include "settings/setting_table.h"
#include "settings_writer/writers.h"

namespace kestro {
namespace {

TEST(SettingTable, EachRowHoldsTogether) {
  std::set<std::string> names;
  for (const SettingRow& row : kSettings) {
    for (int n = 1; n <= SettingValues(row); ++n) {
      EXPECT_TRUE(names.insert(SettingName(row, n)).second) << SettingName(row, n);
      int slot = 0;
      EXPECT_EQ(&row, FindSetting(SettingName(row, n), &slot));
      EXPECT_EQ(row.perSlot ? n : 1, slot);
    }
    const bool number = row.type == SettingType::Number;
    EXPECT_EQ(number, row.number != nullptr || row.numbers != nullptr) << row.name;
    if (number) {
      EXPECT_TRUE(row.minimum <= row.defaultNumber && row.defaultNumber <= row.maximum) << row.name;
    }
    EXPECT_STRNE("", row.title);
    EXPECT_STRNE("", row.explanation);
  }
  EXPECT_EQ(32u, names.size());
}

const SettingRow kTwo[] = {
    {"Delay", false, SettingType::Number, false, SettingRead::EachPass, 5, "", 0, 60, "seconds",
     "Wait", "Waits \"long\".", &MonitorSettings::PingDelay, nullptr, nullptr, nullptr},
    {"Name", true, SettingType::Text, true, SettingRead::EachPass, 0, "", 0, 0, "", "A & B",
     "Text <x>.", nullptr, nullptr, nullptr, &MonitorSettings::Service},
};
const SettingRows kTwoRows = {kTwo, 2};

TEST(SettingWriters, WriteEachRowAndSlot) {
  const struct {
    std::string text;
    const char* piece;
  } kPieces[] = {
      {WriteAdmx(kTwoRows),
       "    <policy name=\"Delay\" class=\"Machine\" displayName=\"$(string.Delay)\" "
       "explainText=\"$(string.Delay_Explain)\" presentation=\"$(presentation.Delay)\" "
       "key=\"Software\\Policies\\Morvane\\Kestro\">\n"
       "      <parentCategory ref=\"Kestro\" />\n"
       "      <supportedOn ref=\"SUPPORTED_WindowsXPSP3\" />\n"
       "      <elements>\n"
       "        <decimal id=\"Delay\" valueName=\"Delay\" minValue=\"0\" maxValue=\"60\" required=\"true\" />\n"
       "      </elements>\n"},
      {WriteAdmx(kTwoRows),
       "      <parentCategory ref=\"Slot3\" />\n      <supportedOn ref=\"SUPPORTED_WindowsXPSP3\" />\n"
       "      <elements>\n        <text id=\"Name\" valueName=\"Name3\" maxLength=\"253\" />\n"},
      {WriteAdml(kTwoRows),
       "      <string id=\"Name\">A &amp; B</string>\n"
       "      <string id=\"Name_Explain\">Text &lt;x&gt;.</string>\n"},
      {WriteAdml(kTwoRows),
       "<string id=\"Delay_Explain\">Waits &quot;long&quot;. Default 5; 0 to 60 seconds.</string>"},
      {WriteAdml(kTwoRows), "<decimalTextBox refId=\"Delay\" defaultValue=\"5\">Wait</decimalTextBox>"},
      {WriteAdm(kTwoRows),
       "    POLICY !!Name\r\n      #if version >= 4\r\n        SUPPORTED !!SUPPORTED_WindowsXPSP3\r\n"
       "      #endif\r\n      EXPLAIN !!Name_Explain\r\n      PART !!Name EDITTEXT\r\n"
       "        VALUENAME \"Name2\"\r\n        MAXLEN 253\r\n      END PART\r\n    END POLICY\r\n"},
      {WriteAdm(kTwoRows),
       "    PART !!Delay NUMERIC REQUIRED\r\n      VALUENAME \"Delay\"\r\n      DEFAULT 5\r\n"
       "      MIN 0\r\n      MAX 60\r\n"},
      {WriteAdm(kTwoRows), "\r\nDelay_Explain=\"Waits 'long'. Default 5; 0 to 60 seconds.\"\r\n"},
      {WriteSample(kTwoRows),
       "; Wait: 0 to 60 seconds.\n\"Delay\"=dword:00000005\n"
       "; A & B (per slot): at most 253 characters.\n\"Name1\"=\"\"\n\"Name2\"=\"\"\n\"Name3\"=\"\"\n"},
      {WriteDocTable(kTwoRows),
       "| Name1, Name2, Name3 | REG_SZ | empty | at most 253 characters | every pass | **A & B.** "
       "Text <x>. Optional: missing means the default, without a \"Could not read\" line. |\n"},
  };
  for (const auto& p : kPieces) EXPECT_NE(std::string::npos, p.text.find(p.piece)) << p.piece;
}

}  // namespace
}  // namespace kestro
