#include "settings/setting_sources.h"

#include "log/write_log.h"
#include "platform/platform.h"
#include "platform/settings_key.h"

namespace kestro {
namespace {

thread_local SettingOrigins* origins = nullptr;

void ReportUnreadable(const char* path, const char* name) {
  WriteLog(std::string("Could not read ") + path + "\\" + name);
}

void Note(std::vector<std::string> SettingOrigins::*list, const char* name) {
  if (origins != nullptr) (origins->*list).push_back(name);
}

}  // namespace

void NoteSettingOrigins(SettingOrigins* sink) { origins = sink; }

SettingSources::SettingSources() : keys_(*Os().registry) {
  // A missing key is silent; a store that was refused is not.
  if (!keys_.OwnProblem().empty()) WriteLog(keys_.OwnProblem());
  if (!keys_.PolicyProblem().empty()) WriteLog(keys_.PolicyProblem());
}

bool SettingSources::Read(const char* name, PolicyValue policy,
                          const std::function<bool(RegKey)>& query, bool optional, bool* missing) {
  *missing = false;
  if (policy == PolicyValue::Set) {
    Note(&SettingOrigins::Policy, name);
    return true;
  }
  if (policy == PolicyValue::Unreadable) ReportUnreadable(kPolicyKeyPath, name);
  const RegKey own = keys_.Own();
  if (own != 0 && query(own)) {
    Note(&SettingOrigins::Own, name);
    return true;
  }
  Note(&SettingOrigins::Neither, name);
  if (own == 0) return false;  // stays as it was, as without any key
  // Only an optional value asks whether it is there: the others' calls stay
  // those of a reading without policies.
  *missing = optional && !Os().registry->HasValue(own, name);
  if (!*missing) ReportUnreadable(kSettingsKeyPath, name);
  return false;
}

bool SettingSources::Number(const char* name, bool optional, std::uint32_t* value, bool* missing) {
  return Read(name, keys_.PolicyNumber(name, value),
              [&](RegKey own) { return Os().registry->QueryDword(own, name, value); }, optional, missing);
}

bool SettingSources::Text(const char* name, bool optional, std::string* value, bool* missing) {
  return Read(name, keys_.PolicyText(name, value),
              [&](RegKey own) { return Os().registry->QueryText(own, name, kRegistryTextSize, value); },
              optional, missing);
}

void ReadNumber(SettingSources& sources, const char* name, std::uint32_t& field) {
  std::uint32_t value = 0;
  bool missing = false;
  if (sources.Number(name, false, &value, &missing)) field = value;
}

void ReadText(SettingSources& sources, const char* name, std::string& field) {
  std::string value;
  bool missing = false;
  if (sources.Text(name, false, &value, &missing)) field = value;
}

void ReadOptionalNumber(SettingSources& sources, const char* name, std::uint32_t fallback, std::uint32_t& field) {
  std::uint32_t value = 0;
  bool missing = false;
  if (sources.Number(name, true, &value, &missing)) {
    field = value;
  } else if (missing) {
    field = fallback;
  }
}

void ReadOptionalText(SettingSources& sources, const char* name, std::string& field) {
  std::string value;
  bool missing = false;
  if (sources.Text(name, true, &value, &missing)) {
    field = value;
  } else if (missing) {
    field.clear();
  }
}

}  // namespace kestro
