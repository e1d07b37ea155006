#pragma once
#include <set>

#include "fakes/fault_plan.h"
#include "platform/regedit_file.h"
#include "platform/registry.h"
#include "platform/settings_key.h"

namespace kestro::testing {

// Keys and values in memory. Calls: RegOpenKeyExA, RegQueryValueExA,
// RegCloseKey.
class FakeRegistry : public Registry {
 public:
  explicit FakeRegistry(FaultPlan& plan) : plan_(plan) {}

  void AddKey(const std::string& path) { keys_[path]; }
  void RemoveKey(const std::string& path) { keys_.erase(path); }
  void SetDword(const std::string& path, const std::string& name, std::uint32_t v) {
    RegValue value;
    value.type = RegValue::Type::Dword;
    value.number = v;
    keys_[path][name] = value;
  }
  void SetText(const std::string& path, const std::string& name, const std::string& text,
               RegValue::Type type = RegValue::Type::Text) {
    RegValue value;
    value.type = type;
    value.text = text;
    keys_[path][name] = value;
  }
  void RemoveValue(const std::string& path, const std::string& name) { keys_[path].erase(name); }
  int OpenCount() const { return static_cast<int>(open_.size()); }

  // When set, the store itself is refused: every OpenKey fails with this,
  // but that of the policy key, whose store is policyRefusal.
  std::string refusal;
  std::string policyRefusal;
  // A 64-bit Windows: the keys are the 64-bit view's, and those under
  // kView32 + path the 32-bit view's.
  bool views = false;
  static constexpr const char* kView32 = "32:";

  bool HasViews() override { return views; }
  long OpenKeyInView(const std::string& path, bool wide, RegKey* key) override {
    std::uint32_t error = 0;
    if (plan_.Enter("RegOpenKeyExA", &error)) return error != 0 ? error : 5;
    const std::string viewed = wide ? path : kView32 + path;
    if (keys_.find(viewed) == keys_.end()) return 2;
    *key = next_++;
    open_[*key] = viewed;
    return 0;
  }

  bool OpenKey(const std::string& path, RegKey* key) override {
    refused_ = path == kPolicyKeyPath ? policyRefusal : refusal;
    if (plan_.Enter("RegOpenKeyExA") || !refused_.empty()) return false;
    auto k = keys_.find(path);
    if (k == keys_.end()) return false;
    *key = next_++;
    open_[*key] = path;
    return true;
  }
  bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) override {
    RegValue v;
    if (!Find("RegQueryValueExA", key, name, &v) || v.type != RegValue::Type::Dword) return false;
    *value = v.number;
    return true;
  }
  bool QueryText(RegKey key, const std::string& name, std::size_t size,
                 std::string* value) override {
    RegValue v;
    if (!Find("RegQueryValueExA", key, name, &v)) return false;
    if (v.type != RegValue::Type::Text && v.type != RegValue::Type::ExpandText) return false;
    if (v.text.size() + 1 > size) return false;
    *value = v.text;
    return true;
  }
  bool HasValue(RegKey key, const std::string& name) override {
    RegValue v;
    return Find("RegQueryValueExA", key, name, &v);
  }
  std::string OpenKeyProblem() override { return refused_; }
  void CloseKey(RegKey key) override {
    plan_.Enter("RegCloseKey");
    open_.erase(key);
  }
  long CreateKeyEx(const std::string& path, RegKey* key) override {
    return Create("RegCreateKeyExA", path, key);
  }
  long CreateKey(const std::string& path, RegKey* key) override {
    return Create("RegCreateKeyA", path, key);
  }
  long SetText(RegKey key, const std::string& name, const std::string& text,
               bool expandable) override {
    std::uint32_t error = 5;
    if (plan_.Enter("RegSetValueExA", &error)) return static_cast<long>(error);
    SetText(open_.at(key), name, text, expandable ? RegValue::Type::ExpandText : RegValue::Type::Text);
    return 0;
  }
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override {
    std::uint32_t error = 5;
    if (plan_.Enter("RegSetValueExA", &error)) return static_cast<long>(error);
    SetDword(open_.at(key), name, value);
    return 0;
  }
  const RegValues* Key(const std::string& path) const {
    auto k = keys_.find(path);
    return k == keys_.end() ? nullptr : &k->second;
  }

 private:
  long Create(const char* call, const std::string& path, RegKey* key) {
    std::uint32_t error = 5;
    if (plan_.Enter(call, &error)) return static_cast<long>(error);
    keys_[path];
    *key = next_++;
    open_[*key] = path;
    return 0;
  }
  bool Find(const char* call, RegKey key, const std::string& name, RegValue* value) {
    if (plan_.Enter(call)) return false;
    auto h = open_.find(key);
    if (h == open_.end()) return false;
    const RegValues& values = keys_[h->second];
    auto v = values.find(name);
    if (v == values.end()) return false;
    *value = v->second;
    return true;
  }

  FaultPlan& plan_;
  std::string refused_;  // the refusal of the last OpenKey
  RegKeys keys_;
  std::map<RegKey, std::string> open_;
  RegKey next_ = 1;
};

}  // namespace kestro::testing
