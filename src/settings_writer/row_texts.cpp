#include "settings_writer/writers.h"

namespace kestro {

const char* TypeName(const SettingRow& row) {
  return row.type == SettingType::Number ? "REG_DWORD" : "REG_SZ";
}

std::string DefaultText(const SettingRow& row) {
  return row.type == SettingType::Number ? std::to_string(row.defaultNumber) : row.defaultText;
}

std::string Explanation(const SettingRow& row) {
  std::string text = row.explanation;
  if (row.type == SettingType::Number) {
    text += " Default " + DefaultText(row) + "; " + std::to_string(row.minimum) + " to " +
            std::to_string(row.maximum) + " " + row.unit + ".";
  }
  return text;
}

std::string SlotTitle(const SettingRow& row, int slot) {
  return row.perSlot ? "Slot " + std::to_string(slot) + ": " + row.title : row.title;
}

}  // namespace kestro
