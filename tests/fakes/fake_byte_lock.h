#pragma once
#include <cerrno>
#include <set>

#include "fakes/fault_plan.h"
#include "platform/byte_lock.h"

namespace kestro::testing {

// Lock files in memory: a byte held by one handle refuses every other.
// Calls: OpenLockFile, LockFile, UnlockFile, CloseLockFile. A failing call
// reports the plan's error as its errno.
class FakeByteLock : public ByteLock {
 public:
  explicit FakeByteLock(FaultPlan& plan) : plan_(plan) {}

  // Holds the byte of `path` through a handle no caller has.
  void HoldElsewhere(const std::string& path) { holder_[path] = -1; }
  void ReleaseElsewhere(const std::string& path) {
    auto h = holder_.find(path);
    if (h != holder_.end() && h->second == -1) holder_.erase(h);
  }
  int OpenHandles() const { return static_cast<int>(open_.size()); }
  bool Held(const std::string& path) const { return holder_.count(path) != 0; }
  // Bytes held through this process's own handles.
  int HeldLocks() const {
    int n = 0;
    for (const auto& h : holder_) n += h.second != -1;
    return n;
  }
  std::set<std::string> created;
  // Lock files that are there but refused, with the reason.
  std::map<std::string, std::string> refused;

  bool OpenLockFile(const std::string& path, LockHandle* handle, int* error) override {
    std::uint32_t e = 0;
    refusal_.clear();
    if (plan_.Enter("OpenLockFile", &e)) {
      *error = static_cast<int>(e);
      return false;
    }
    if (refused.count(path)) {
      refusal_ = refused[path];
      *error = EPERM;
      return false;
    }
    created.insert(path);
    *handle = next_++;
    open_[*handle] = path;
    return true;
  }
  std::string OpenRefusal() override { return refusal_; }
  bool TryLockByte(LockHandle handle, int* error) override {
    std::uint32_t e = EACCES;
    if (plan_.Enter("LockFile", &e)) {
      *error = static_cast<int>(e);
      return false;
    }
    const std::string& path = open_.at(handle);
    auto h = holder_.find(path);
    if (h != holder_.end() && h->second != handle) {
      *error = EACCES;
      return false;
    }
    holder_[path] = handle;
    return true;
  }
  void UnlockByte(LockHandle handle) override {
    plan_.Enter("UnlockFile");
    auto h = holder_.find(open_.at(handle));
    if (h != holder_.end() && h->second == handle) holder_.erase(h);
  }
  void CloseLockFile(LockHandle handle) override {
    plan_.Enter("CloseLockFile");
    // Closing releases a byte still held, as on both systems.
    auto h = holder_.find(open_.at(handle));
    if (h != holder_.end() && h->second == handle) holder_.erase(h);
    open_.erase(handle);
  }

 private:
  FaultPlan& plan_;
  std::map<LockHandle, std::string> open_;
  std::map<std::string, LockHandle> holder_;
  LockHandle next_ = 3;
  std::string refusal_;
};

}  // namespace kestro::testing
