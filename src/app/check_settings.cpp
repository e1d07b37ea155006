#include "app/check_settings.h"

#include <vector>

#include "app/setting_views.h"
#include "log/log_diversion.h"
#include "platform/platform.h"
#include "platform/settings_key.h"
#include "settings/setting_table.h"

namespace kestro {
namespace {

constexpr std::uint32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND and ENOENT alike

const std::string kUnreadable = std::string("Could not read ") + kSettingsKeyPath + "\\";

// The value a pass goes on with, and whether the setting is a number.
bool ValueUsed(MonitorSettings& s, const std::string& name, std::string* used) {
  int slot = 0;
  const SettingRow* row = FindSetting(name, &slot);
  if (row == nullptr) return false;
  if (const std::uint32_t* number = NumberField(*row, s, slot)) {
    *used = std::to_string(*number);
    return true;
  }
  if (const std::string* text = TextField(*row, s, slot)) *used = "\"" + *text + "\"";
  return false;
}

// A number outside what makes sense is used as it is, but said.
void ReportRanges(CheckReport& report, MonitorSettings& s) {
  for (const SettingRow& row : kSettings) {
    for (int n = 1; n <= SettingValues(row); ++n) {
      const std::uint32_t* number = NumberField(row, s, n);
      if (number == nullptr || (*number >= row.minimum && *number <= row.maximum)) continue;
      report.Problem(kCheckSettings, std::string(kSettingsKeyPath) + "\\" + SettingName(row, n) +
                                         " is " + std::to_string(*number) + ", outside " +
                                         std::to_string(row.minimum) + " to " +
                                         std::to_string(row.maximum) + ": it is used as it is");
    }
  }
}

void ReportValue(CheckReport& report, RegKey key, MonitorSettings& s, const std::string& line) {
  if (line.compare(0, kUnreadable.size(), kUnreadable) != 0) {
    report.Problem(kCheckSettings, line);
    return;
  }
  const std::string name = line.substr(kUnreadable.size());
  std::string used;
  const bool number = ValueUsed(s, name, &used);
  // A value that is not set is at its default, as a fresh installation
  // leaves it: said, not counted. One that is there but unreadable counts.
  if (!Os().registry->HasValue(key, name)) {
    report.Fine(line.substr(std::string("Could not read ").size()) + " is not set: its default " +
                used + " is used");
    return;
  }
  const char* why = number ? "not a REG_DWORD" : "not a REG_SZ, or longer than 253 characters";
  report.Problem(kCheckSettings, line + ": " + why + ", " + used + " is used");
}

}  // namespace

void CheckSettings(CheckReport& report, MonitorSettings& settings) {
  Registry& registry = *Os().registry;
  RegKey key = 0;
  if (!registry.OpenKey(kSettingsKeyPath, &key)) {
    const std::string problem = registry.OpenKeyProblem();
    const std::string where = std::string("The settings key ") + kSettingsKeyPath;
    if (!problem.empty()) {
      report.Problem(kCheckSettings, problem);
    } else if (Os().lastError->Get() == kNotFound) {
      report.Fine(where + " was not found: every setting is at its default");
    } else {
      report.Problem(kCheckSettings, where + " could not be read: " + LastErrorWords());
    }
    return;
  }
  std::vector<std::string> lines;
  SettingViews views;
  views.Add(key, kLogDirValue);
  DivertLog(&lines);
  views.Note([&settings] { LoadSettings(settings); });
  DivertLog(nullptr);
  for (const std::string& line : lines) ReportValue(report, key, settings, line);
  ReportRanges(report, settings);
  registry.CloseKey(key);
  for (const std::string& line : views.Lines()) report.Fine(line);
  if (lines.empty()) report.Fine(std::string("Settings: every value of ") + kSettingsKeyPath + " read");
}

}  // namespace kestro
