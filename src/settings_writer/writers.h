#pragma once
// The writers of what is made from the table of settings: each returns its
// file's whole text, so that a test or a check compares it as it is.
#include <string>

#include "settings/setting_table.h"

namespace kestro {

inline constexpr char kTemplateKeyPath[] = "Software\\Policies\\Morvane\\Kestro";
inline constexpr int kPolicyTextLength = 253;  // a registry text's 254 bytes, its NUL included

std::string WriteAdmx(const SettingRows& rows);
std::string WriteAdml(const SettingRows& rows);
std::string WriteAdm(const SettingRows& rows);
std::string WriteSample(const SettingRows& rows);
std::string WriteDocTable(const SettingRows& rows);
std::string WriteManList(const SettingRows& rows);

// Shared by the writers.
const char* TypeName(const SettingRow& row);          // "REG_DWORD" or "REG_SZ"
std::string DefaultText(const SettingRow& row);       // "1024", "" for an empty text
std::string Explanation(const SettingRow& row);       // the row's, with its default and range
std::string SlotTitle(const SettingRow& row, int slot);  // "Slot 2: Program the slot runs"

}  // namespace kestro
