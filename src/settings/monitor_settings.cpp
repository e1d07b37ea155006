#include "settings/monitor_settings.h"

#include "log/write_log.h"
#include "platform/platform.h"
#include "platform/settings_key.h"
#include "settings/setting_table.h"

namespace kestro {
namespace {

void ReportUnreadable(const std::string& name) {
  WriteLog(std::string("Could not read ") + kSettingsKeyPath + "\\" + name);
}

// One value of each type. A required value that cannot be read keeps its
// previous value and says so; an optional one that is missing means its
// default, silently, and one that is there but unreadable is reported as
// any other.
void ReadNumber(RegKey key, const std::string& name, bool optional, std::uint32_t fallback,
                std::uint32_t& field) {
  Registry& registry = *Os().registry;
  std::uint32_t value = 0;
  if (registry.QueryDword(key, name, &value)) {
    field = value;
  } else if (optional && !registry.HasValue(key, name)) {
    field = fallback;
  } else {
    ReportUnreadable(name);
  }
}

void ReadText(RegKey key, const std::string& name, bool optional, const std::string& fallback,
              std::string& field) {
  Registry& registry = *Os().registry;
  std::string value;
  if (registry.QueryText(key, name, kRegistryTextSize, &value)) {
    field = value;
  } else if (optional && !registry.HasValue(key, name)) {
    field = fallback;
  } else {
    ReportUnreadable(name);
  }
}

}  // namespace

MonitorSettings::MonitorSettings() {
  for (const SettingRow& row : kSettings) {
    for (int n = 1; n <= SettingValues(row); ++n) {
      if (std::uint32_t* number = NumberField(row, *this, n)) *number = row.defaultNumber;
      if (std::string* text = TextField(row, *this, n)) *text = row.defaultText;
    }
  }
}

ActionSlot MonitorSettings::Slot(int number) const {
  const int i = number - 1;
  ActionSlot slot;
  slot.Service = Service[i];
  slot.PingResponse = PingResponse[i];
  slot.PingTimeOut = PingTimeOut[i];
  slot.Command = Command[i];
  slot.Argument = Argument[i];
  slot.StopAfter = StopAfter[i];
  slot.StartAfter = StartAfter[i];
  return slot;
}

void LoadSettings(MonitorSettings& s) {
  Registry& registry = *Os().registry;
  RegKey key = 0;
  if (!registry.OpenKey(kSettingsKeyPath, &key)) {
    // A missing key is silent; a settings store that was refused is not.
    const std::string problem = registry.OpenKeyProblem();
    if (!problem.empty()) WriteLog(problem);
    return;
  }

  // The table's order is the query order, and that of the "Could not read " lines.
  for (const SettingRow& row : kSettings) {
    if (row.read != SettingRead::EachPass) continue;
    for (int n = 1; n <= SettingValues(row); ++n) {
      const std::string name = SettingName(row, n);
      if (std::uint32_t* number = NumberField(row, s, n)) {
        ReadNumber(key, name, row.optional, row.defaultNumber, *number);
      } else if (std::string* text = TextField(row, s, n)) {
        ReadText(key, name, row.optional, row.defaultText, *text);
      }
    }
  }

  registry.CloseKey(key);
}

}  // namespace kestro
