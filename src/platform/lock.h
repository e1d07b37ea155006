#pragma once
// A lock for data the program's threads share: a critical section on
// Windows, a mutex elsewhere. The program's own locking rests on the system
// alone, not on the posix-threads runtime behind the C++ library's mutex.
namespace kestro {

// Meant for objects that live as long as the process: it is never torn down,
// so a thread still running while the process ends can always take it.
class Lock {
 public:
  Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Acquire();
  void Release();

 private:
  struct Native;
  Native* native_;
};

// Holds a lock for the life of a scope.
class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~LockGuard() { lock_.Release(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

}  // namespace kestro
