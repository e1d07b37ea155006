#pragma once
// A one-byte lock at offset 0 of a lock file. A lock taken through one open
// handle excludes every other handle: other processes and other threads of
// this process alike.
#include <cstdint>
#include <string>

namespace kestro {

using LockHandle = std::intptr_t;

class ByteLock {
 public:
  virtual ~ByteLock() = default;
  // Opens the lock file for reading and writing, creating it when missing,
  // shared with every other opener. On failure `error` gets an errno value.
  virtual bool OpenLockFile(const std::string& path, LockHandle* handle, int* error) = 0;
  // Why this thread's last OpenLockFile failed when the file is there but was
  // refused (on Linux: a link, another user's file, ...), as a phrase that
  // follows "it"; empty otherwise.
  virtual std::string OpenRefusal() { return ""; }
  // Takes the byte without waiting (LockFile). On failure `error` gets an
  // errno value.
  virtual bool TryLockByte(LockHandle handle, int* error) = 0;
  // UnlockFile.
  virtual void UnlockByte(LockHandle handle) = 0;
  virtual void CloseLockFile(LockHandle handle) = 0;
};

}  // namespace kestro
