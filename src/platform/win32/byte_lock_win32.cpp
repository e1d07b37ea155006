#include "platform/win32/byte_lock_win32.h"

#include <windows.h>

#include <errno.h>

#include "platform/win32/file_security_win32.h"
#include "platform/win32/own_file_rights_win32.h"

namespace kestro {
namespace {
HANDLE OsHandle(LockHandle handle) { return reinterpret_cast<HANDLE>(handle); }
// Plain characters: a thread-local string needs a destructor at thread exit,
// which the runtime registers through GetModuleHandleExW, an import the
// reviewed list for XP does not hold.
thread_local char refusal[256];
void SetRefusal(const std::string& text) { refusal[text.copy(refusal, sizeof refusal - 1)] = '\0'; }

// The errno value the C runtime gives the system's error when it opens a
// file, for the same words in the log as on Linux.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
      return ENOMEM;
    default:
      return EINVAL;
  }
}
}  // namespace

bool Win32ByteLock::OpenLockFile(const std::string& path, LockHandle* handle, int* error) {
  // A lock file created here gets the program's own rights: nobody but
  // SYSTEM and Administrators may open it.
  const DWORD lastError = GetLastError();
  OwnFileRights rights(OwnFileRights::Readers::Nobody, ShareAccount(path));
  HANDLE file = OpenOwnFile(path, true, OPEN_ALWAYS, rights.Attributes(), true);
  // Asked before the thread-local text is touched: its first use on a
  // thread resets the last error.
  const DWORD opened = GetLastError();
  refusal[0] = '\0';
  if (file == INVALID_HANDLE_VALUE) {
    *error = ErrnoOf(opened);
    return false;
  }
  // One that was there already is judged through the open handle: one left
  // by someone else, or one others may open, would let them hold the byte
  // and hold up every line.
  if (opened == ERROR_ALREADY_EXISTS) SetRefusal(RefusalAfterNarrowing(file, true));
  SetLastError(lastError);  // "already exists" at every line is nobody's business
  if (refusal[0] != '\0') {
    CloseHandle(file);
    *error = EPERM;
    return false;
  }
  *handle = reinterpret_cast<LockHandle>(file);
  return true;
}

std::string Win32ByteLock::OpenRefusal() { return refusal; }

bool Win32ByteLock::TryLockByte(LockHandle handle, int* error) {
  if (LockFile(OsHandle(handle), 0, 0, 1, 0)) return true;
  // What the C runtime's own byte locking reports for a lock held elsewhere.
  *error = EACCES;
  return false;
}

void Win32ByteLock::UnlockByte(LockHandle handle) { UnlockFile(OsHandle(handle), 0, 0, 1, 0); }

void Win32ByteLock::CloseLockFile(LockHandle handle) { CloseHandle(OsHandle(handle)); }

}  // namespace kestro
