#pragma once
// One plan shared by every fake: it lists the platform calls in the order
// they were made and fails chosen calls with chosen errors.
#include <cstdint>
#include <functional>
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

  // Fails the nth platform call of any kind, once, with the error `errors`
  // gives for that call's name.
  void FailOverall(int nth, const std::map<std::string, std::uint32_t>& errors) {
    std::lock_guard<std::mutex> guard(mutex_);
    overall_ = nth;
    overallErrors_ = errors;
  }
  // Told every injected error, as the system would leave it for GetLastError.
  std::function<void(std::uint32_t)> onInjected;

  // Records `call`; true when it is to fail, with its error in `error`.
  bool Enter(const std::string& call, std::uint32_t* error = nullptr) {
    std::uint32_t e = 0;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      calls_.push_back(call);
      const int n = ++counts_[call];
      auto rule = rules_.find(call);
      if (overall_ > 0 && static_cast<int>(calls_.size()) == overall_) {
        auto byName = overallErrors_.find(call);
        e = byName == overallErrors_.end() ? overallError_ : byName->second;
      } else if (rule != rules_.end() &&
                 (n == rule->second.nth || (rule->second.persistent && n > rule->second.nth))) {
        e = rule->second.error;
      } else {
        return false;
      }
      injected_ = true;
      injectedCall_ = call;
      injectedNth_ = n;
    }
    if (error != nullptr) *error = e;
    if (onInjected && e != 0) onInjected(e);
    return true;
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
  // The call last failed, and which of its kind it was (1-based).
  std::string InjectedCall() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return injectedCall_;
  }
  int InjectedNth() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return injectedNth_;
  }
  // Starts the record afresh: calls and counts.
  void ClearCalls() {
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.clear();
    counts_.clear();
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
  std::map<std::string, std::uint32_t> overallErrors_;
  bool injected_ = false;
  std::string injectedCall_;
  int injectedNth_ = 0;
};

}  // namespace kestro::testing
