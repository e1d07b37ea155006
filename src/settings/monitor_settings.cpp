#include "settings/monitor_settings.h"

#include "settings/setting_sources.h"
#include "settings/setting_table.h"

namespace kestro {

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
  SettingSources key;
  if (!key.Open()) return;

  // The table's order is the query order, and that of the "Could not read " lines.
  for (const SettingRow& row : kSettings) {
    if (row.read != SettingRead::EachPass) continue;
    for (int n = 1; n <= SettingValues(row); ++n) {
      const std::string name = SettingName(row, n);
      if (std::uint32_t* number = NumberField(row, s, n)) {
        if (row.optional) {
          ReadOptionalNumber(key, name.c_str(), row.defaultNumber, *number);
        } else {
          ReadNumber(key, name.c_str(), *number);
        }
      } else if (std::string* text = TextField(row, s, n)) {
        if (row.optional) {
          ReadOptionalText(key, name.c_str(), *text);
        } else {
          ReadText(key, name.c_str(), *text);
        }
      }
    }
  }
}

}  // namespace kestro
