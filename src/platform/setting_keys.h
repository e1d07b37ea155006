#pragma once
// The two keys a setting is looked up in, opened together for one reading
// of the settings: the policy key, which a site's Group Policy (on Linux its
// configuration management) writes, and the program's own key, which the
// local administrator writes. A value set in the policy key wins; where the
// policy sets nothing readable, the own key's value is used.
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace kestro {

// What the policy key holds of one value.
enum class PolicyValue { Set, NotSet, Unreadable };

class SettingKeys {
 public:
  // Opens the own key, then the policy key, through `registry`.
  explicit SettingKeys(Registry& registry);
  ~SettingKeys();
  SettingKeys(const SettingKeys&) = delete;
  SettingKeys& operator=(const SettingKeys&) = delete;

  // The own key, 0 when it could not be opened.
  RegKey Own() const { return own_; }
  bool PolicyOpen() const { return policy_ != 0; }
  // Why each store was refused (Registry::OpenKeyProblem); empty when it
  // was not, and when its key is merely missing.
  const std::string& OwnProblem() const { return ownProblem_; }
  const std::string& PolicyProblem() const { return policyProblem_; }

  // The policy's value `name`: Set with it in `value`; NotSet when the
  // policy key or the value is missing; Unreadable when the value is there
  // but not a 32-bit number, or not a text that fits.
  PolicyValue PolicyNumber(const std::string& name, std::uint32_t* value);
  PolicyValue PolicyText(const std::string& name, std::string* value);

 private:
  PolicyValue Missing(const std::string& name);

  Registry& registry_;
  RegKey own_ = 0;
  RegKey policy_ = 0;
  std::string ownProblem_;
  std::string policyProblem_;
};

}  // namespace kestro
