#pragma once
// The one list of the program's settings. Everything that names a setting
// comes from it: LoadSettings, -check's value report, the settings sample,
// the table of docs/configuration.md, the manual page's list and the Group
// Policy templates (all written by settings_writer).
//
// A new setting is one row in kSettings (setting_table.cpp), at the place of
// its query: the rows are read in their order, and a slot row's three values
// one after the other. Give its field in MonitorSettings (`number`/`text`
// for one value, `numbers`/`texts` for three), its default, its range, and
// `optional` for a value whose absence must change nothing (no line, the
// default). Then build and run `settings_writer docs .` from the top of the
// tree to rewrite the documents made from the table.
#include <cstdint>
#include <string>

#include "settings/monitor_settings.h"

namespace kestro {

enum class SettingType { Number, Text };  // REG_DWORD, REG_SZ

enum class SettingRead {
  EachPass,        // read again at the start of every pass
  OncePerProcess,  // read by the log writer at its first line (LogDir)
};

struct SettingRow {
  const char* name;  // the value's name; a slot row's stem, "1" to "3" appended
  bool perSlot;
  SettingType type;
  bool optional;       // missing: the default, without a "Could not read" line
  SettingRead read;
  std::uint32_t defaultNumber;
  const char* defaultText;
  std::uint32_t minimum, maximum;  // numbers: the values that make sense
  const char* unit;                // numbers: "seconds", "bytes", ...
  const char* title;               // one line, no full stop
  const char* explanation;         // what it does, for an administrator
  // Where it lands in MonitorSettings; none for LogDir, which the log reads.
  std::uint32_t MonitorSettings::*number;
  std::uint32_t (MonitorSettings::*numbers)[kSlotCount];
  std::string MonitorSettings::*text;
  std::string (MonitorSettings::*texts)[kSlotCount];
};

// The rows, for a range-for.
struct SettingRows {
  const SettingRow* rows;
  int count;
  const SettingRow* begin() const { return rows; }
  const SettingRow* end() const { return rows + count; }
};
extern const SettingRows kSettings;

// The value name of `row` for slot 1 to 3, or its own name (slot ignored).
std::string SettingName(const SettingRow& row, int slot);
// How many values the row stands for: 3 for a slot row, else 1.
int SettingValues(const SettingRow& row);
// The row and slot of the value `name`; nullptr when no setting has it.
const SettingRow* FindSetting(const std::string& name, int* slot);

// The field of value `slot` (1 to 3; 1 for a single value); nullptr for a
// row of the other type or without a field.
std::uint32_t* NumberField(const SettingRow& row, MonitorSettings& s, int slot);
std::string* TextField(const SettingRow& row, MonitorSettings& s, int slot);

}  // namespace kestro
