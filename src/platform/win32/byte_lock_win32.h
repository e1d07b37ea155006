#pragma once
#include "platform/byte_lock.h"

namespace kestro {

// The lock file opened as the logs are (judged through its handle, never
// through a reparse point), failures reported as the C runtime's errno, and
// the byte through LockFile on its handle.
class Win32ByteLock : public ByteLock {
 public:
  bool OpenLockFile(const std::string& path, LockHandle* handle, int* error) override;
  std::string OpenRefusal() override;
  bool TryLockByte(LockHandle handle, int* error) override;
  void UnlockByte(LockHandle handle) override;
  void CloseLockFile(LockHandle handle) override;
};

}  // namespace kestro
