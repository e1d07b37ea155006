#include "app/check_settings.h"

#include <vector>

#include "app/setting_views.h"
#include "log/log_diversion.h"
#include "platform/platform.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

constexpr std::uint32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND and ENOENT alike

const std::string kUnreadable = std::string("Could not read ") + kSettingsKeyPath + "\\";

// The value a pass goes on with, and whether the setting is a number.
bool ValueUsed(const MonitorSettings& s, const std::string& name, std::string* used) {
  const std::uint32_t numbers[] = {s.PingPacketSize, s.PingDelay, s.NumberOfPingSweeps,
                                   s.PassSplay, s.RecheckDelay, s.ProbePort};
  const char* numberNames[] = {"PingPacketSize", "PingDelay", "NumberOfPingSweeps", "PassSplay",
                               "RecheckDelay", "ProbePort"};
  for (int i = 0; i < 6; ++i) {
    if (name == numberNames[i]) *used = std::to_string(numbers[i]);
  }
  const char slot = name.empty() ? '0' : name.back();
  const int n = slot >= '1' && slot <= '3' ? slot - '1' : -1;
  const std::string stem = n < 0 ? name : name.substr(0, name.size() - 1);
  if (n >= 0 && stem == "PingResponse") *used = std::to_string(s.PingResponse[n]);
  if (n >= 0 && stem == "PingTimeOut") *used = std::to_string(s.PingTimeOut[n]);
  if (n >= 0 && stem == "StopAfter") *used = std::to_string(s.StopAfter[n]);
  if (n >= 0 && stem == "StartAfter") *used = std::to_string(s.StartAfter[n]);
  if (!used->empty()) return true;
  if (n >= 0 && stem == "Service") *used = s.Service[n];
  if (n >= 0 && stem == "Command") *used = s.Command[n];
  if (n >= 0 && stem == "Argument") *used = s.Argument[n];
  *used = "\"" + *used + "\"";
  return false;
}

void ReportValue(CheckReport& report, RegKey key, const MonitorSettings& s, const std::string& line) {
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
  views.Add(key, "LogDir");
  DivertLog(&lines);
  views.Note([&settings] { LoadSettings(settings); });
  DivertLog(nullptr);
  for (const std::string& line : lines) ReportValue(report, key, settings, line);
  registry.CloseKey(key);
  for (const std::string& line : views.Lines()) report.Fine(line);
  if (lines.empty()) report.Fine(std::string("Settings: every value of ") + kSettingsKeyPath + " read");
}

}  // namespace kestro
