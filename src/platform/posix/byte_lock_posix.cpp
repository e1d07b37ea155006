#include "platform/posix/byte_lock_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/trusted_file_posix.h"

namespace kestro {
namespace {

thread_local std::string refusal;

int SetByteLock(int fd, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock);
}

}  // namespace

bool PosixByteLock::OpenLockFile(const std::string& path, LockHandle* handle, int* error) {
  // Nobody else may open it: whoever can, can also hold a lock on it and
  // hold up every line.
  const int fd = OpenOwnFile(path, kLockFlags, kLockMode, &refusal);
  if (fd < 0) {
    *error = errno;
    return false;
  }
  *handle = fd;
  return true;
}

bool PosixByteLock::TryLockByte(LockHandle handle, int* error) {
  if (SetByteLock(static_cast<int>(handle), F_WRLCK) == 0) return true;
  *error = errno;
  return false;
}

void PosixByteLock::UnlockByte(LockHandle handle) { SetByteLock(static_cast<int>(handle), F_UNLCK); }

std::string PosixByteLock::OpenRefusal() { return refusal; }

void PosixByteLock::CloseLockFile(LockHandle handle) { close(static_cast<int>(handle)); }

}  // namespace kestro
