#include "platform/setting_keys.h"

#include "platform/settings_key.h"

namespace kestro {

SettingKeys::SettingKeys(Registry& registry) : registry_(registry) {
  // The own key first: where it alone is there, the calls and their order
  // are those of a reading without policies.
  RegKey key = 0;
  if (registry_.OpenKey(kSettingsKeyPath, &key)) {
    own_ = key;
  } else {
    ownProblem_ = registry_.OpenKeyProblem();
  }
  if (registry_.OpenKey(kPolicyKeyPath, &key)) {
    policy_ = key;
  } else {
    policyProblem_ = registry_.OpenKeyProblem();
  }
}

SettingKeys::~SettingKeys() {
  if (own_ != 0) registry_.CloseKey(own_);
  if (policy_ != 0) registry_.CloseKey(policy_);
}

PolicyValue SettingKeys::Missing(const std::string& name) {
  return registry_.HasValue(policy_, name) ? PolicyValue::Unreadable : PolicyValue::NotSet;
}

PolicyValue SettingKeys::PolicyNumber(const std::string& name, std::uint32_t* value) {
  if (policy_ == 0) return PolicyValue::NotSet;
  if (registry_.QueryDword(policy_, name, value)) return PolicyValue::Set;
  return Missing(name);
}

PolicyValue SettingKeys::PolicyText(const std::string& name, std::string* value) {
  if (policy_ == 0) return PolicyValue::NotSet;
  if (registry_.QueryText(policy_, name, kRegistryTextSize, value)) return PolicyValue::Set;
  return Missing(name);
}

}  // namespace kestro
