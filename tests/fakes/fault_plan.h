#pragma once
// One plan shared by every fake: it lists the platform calls in the order
// they were made and fails chosen calls with chosen errors.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kestro::testing {

class FaultPlan {
 public:
  // Fails the nth call (1-based) of `call`, or that call and every later one
  // when `persistent`.
  void Fail(const std::string& call, int nth = 1, bool persistent = false, std::uint32_t error = 0) {
    std::lock_guard<std::mutex> guard(mutex_);
    rules_[call] = Rule{nth, persistent, error};
  }
  // Fails the nth platform call of any kind, once.
  void FailOverall(int nth, std::uint32_t error = 0) {
    std::lock_guard<std::mutex> guard(mutex_);
    overall_ = nth;
    overallError_ = error;
  }

  // Records `call`; true when it is to fail, with its error in `error`.
  bool Enter(const std::string& call, std::uint32_t* error = nullptr) {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.push_back(call);
    const int n = ++counts_[call];
    if (overall_ > 0 && static_cast<int>(calls_.size()) == overall_) {
      injected_ = true;
      if (error != nullptr) *error = overallError_;
      return true;
    }
    auto rule = rules_.find(call);
    if (rule == rules_.end()) return false;
    if (n == rule->second.nth || (rule->second.persistent && n > rule->second.nth)) {
      injected_ = true;
      if (error != nullptr) *error = rule->second.error;
      return true;
    }
    return false;
  }

  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return calls_;
  }
  int Count(const std::string& call) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto c = counts_.find(call);
    return c == counts_.end() ? 0 : c->second;
  }
  bool Injected() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return injected_;
  }
  void ClearCalls() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
  }

 private:
  struct Rule {
    int nth;
    bool persistent;
    std::uint32_t error;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Rule> rules_;
  std::map<std::string, int> counts_;
  std::vector<std::string> calls_;
  int overall_ = 0;
  std::uint32_t overallError_ = 0;
  bool injected_ = false;
};

}  // namespace kestro::testing
