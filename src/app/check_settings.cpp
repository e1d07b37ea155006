#include "app/check_settings.h"

#include <algorithm>
#include <vector>

#include "app/setting_views.h"
#include "log/log_diversion.h"
#include "platform/platform.h"
#include "platform/settings_key.h"
#include "settings/setting_sources.h"
#include "settings/setting_table.h"

namespace kestro {
namespace {

constexpr std::uint32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND and ENOENT alike

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
      // A port beyond the ports has a finding of its own: the sweep sends echo requests.
      if (row.number == &MonitorSettings::ProbePort) continue;
      report.Problem(kCheckSettings, std::string(kSettingsKeyPath) + "\\" + SettingName(row, n) +
                                         " is " + std::to_string(*number) + ", outside " +
                                         std::to_string(row.minimum) + " to " +
                                         std::to_string(row.maximum) + ": it is used as it is");
    }
  }
}

// The name of the value a "Could not read " line of the key `path` tells.
bool Unreadable(const std::string& line, const char* path, std::string* name) {
  const std::string prefix = std::string("Could not read ") + path + "\\";
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  *name = line.substr(prefix.size());
  return true;
}

// Reports one line of the reading; true when it is a problem of a value.
bool ReportValue(CheckReport& report, RegKey key, MonitorSettings& s, const std::string& line) {
  std::string name;
  const bool policy = Unreadable(line, kPolicyKeyPath, &name);
  if (!policy && !Unreadable(line, kSettingsKeyPath, &name)) {
    report.Problem(kCheckSettings, line);
    return false;
  }
  std::string used;
  const bool number = ValueUsed(s, name, &used);
  // A value that is not set is at its default, as a fresh installation
  // leaves it: said, not counted. One that is there but unreadable counts;
  // the policy's lines are only of such values.
  if (!policy && !Os().registry->HasValue(key, name)) {
    report.Fine(line.substr(std::string("Could not read ").size()) + " is not set: its default " +
                used + " is used");
    return false;
  }
  const char* why = number ? "not a REG_DWORD" : "not a REG_SZ, or longer than 253 characters";
  report.Problem(kCheckSettings, line + ": " + why + ", " + used + " is used");
  return !policy;
}

// "TITLE: A, B" for the names given, nothing for none.
void ReportNames(CheckReport& report, const std::string& title, const std::vector<std::string>& names) {
  std::string line = title + ":";
  for (std::size_t i = 0; i < names.size(); ++i) line += (i == 0 ? " " : ", ") + names[i];
  if (!names.empty()) report.Fine(line);
}

// Where each value came from, where a policy is there to say it: the
// policy, the own key, or neither (its default, unless the own key's value
// was not readable, which is reported as such).
void ReportOrigins(CheckReport& report, const SettingOrigins& origins,
                   const std::vector<std::string>& unreadable) {
  std::vector<std::string> defaults;
  for (const std::string& name : origins.Neither) {
    if (std::find(unreadable.begin(), unreadable.end(), name) == unreadable.end()) defaults.push_back(name);
  }
  ReportNames(report, std::string("Settings from the policy key ") + kPolicyKeyPath, origins.Policy);
  ReportNames(report, std::string("Settings from the settings key ") + kSettingsKeyPath, origins.Own);
  ReportNames(report, "Settings at their defaults", defaults);
}

}  // namespace

void CheckSettings(CheckReport& report, MonitorSettings& settings) {
  Registry& registry = *Os().registry;
  RegKey key = 0;
  const std::string where = std::string("The settings key ") + kSettingsKeyPath;
  std::string problem;
  bool missing = false;
  if (!registry.OpenKey(kSettingsKeyPath, &key)) {
    key = 0;
    problem = registry.OpenKeyProblem();
    missing = problem.empty() && Os().lastError->Get() == kNotFound;
    if (problem.empty() && !missing) problem = where + " could not be read: " + LastErrorWords();
  }
  // The policy's store is judged as the own one; a policy key that is not
  // there is no finding.
  RegKey policy = 0;
  std::string policyProblem;
  if (!registry.OpenKey(kPolicyKeyPath, &policy)) {
    policy = 0;
    policyProblem = registry.OpenKeyProblem();
  }
  if (!problem.empty()) report.Problem(kCheckSettings, problem);
  if (!policyProblem.empty()) report.Problem(kCheckSettings, policyProblem);
  if (missing && policy == 0) report.Fine(where + " was not found: every setting is at its default");
  if (missing && policy != 0) report.Fine(where + " was not found: what the policy does not set is at its default");
  if (key == 0 && policy == 0) return;

  std::vector<std::string> lines;
  SettingViews views;
  SettingOrigins origins;
  if (key != 0) views.Add(key, kLogDirValue);
  DivertLog(&lines);
  NoteSettingOrigins(&origins);
  views.Note([&settings] { LoadSettings(settings); });
  NoteSettingOrigins(nullptr);
  DivertLog(nullptr);
  std::vector<std::string> unreadable;
  bool valuesFine = true;
  for (const std::string& line : lines) {
    if (line == problem || line == policyProblem) continue;  // said above
    valuesFine = false;
    std::string name;
    if (ReportValue(report, key, settings, line) && Unreadable(line, kSettingsKeyPath, &name))
      unreadable.push_back(name);
  }
  if (key != 0) registry.CloseKey(key);
  if (policy != 0) registry.CloseKey(policy);
  ReportRanges(report, settings);
  for (const std::string& line : views.Lines()) report.Fine(line);
  if (policy != 0) ReportOrigins(report, origins, unreadable);
  if (valuesFine && key != 0) report.Fine(std::string("Settings: every value of ") + kSettingsKeyPath + " read");
}

}  // namespace kestro
