#pragma once
#include "platform/byte_lock.h"

namespace kestro {

// Open-file-description locks: unlike classic fcntl locks they belong to the
// open file, so two opens in one process exclude each other like two
// processes do.
class PosixByteLock : public ByteLock {
 public:
  bool OpenLockFile(const std::string& path, LockHandle* handle, int* error) override;
  bool TryLockByte(LockHandle handle, int* error) override;
  void UnlockByte(LockHandle handle) override;
  std::string OpenRefusal() override;
  void CloseLockFile(LockHandle handle) override;
};

}  // namespace kestro
