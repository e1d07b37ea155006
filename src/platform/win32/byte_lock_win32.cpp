#include "platform/win32/byte_lock_win32.h"

#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "platform/win32/file_security_win32.h"
#include "platform/win32/own_file_rights_win32.h"

namespace kestro {
namespace {
HANDLE OsHandle(LockHandle fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(fd))); }
// Plain characters: a thread-local string needs a destructor at thread exit,
// which the runtime registers through GetModuleHandleExW, an import the
// reviewed list for XP does not hold.
thread_local char refusal[256];
void SetRefusal(const std::string& text) { refusal[text.copy(refusal, sizeof refusal - 1)] = '\0'; }
}  // namespace

bool Win32ByteLock::OpenLockFile(const std::string& path, LockHandle* handle, int* error) {
  // A lock file created here gets the program's own rights first: nobody but
  // SYSTEM and Administrators may open it.
  const DWORD lastError = GetLastError();
  OwnFileRights rights(OwnFileRights::Readers::Nobody);
  HANDLE created =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  rights.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created != INVALID_HANDLE_VALUE) CloseHandle(created);
  SetLastError(lastError);  // "already exists" at every line is nobody's business
  const int fd = _sopen(path.c_str(), _O_RDWR | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT,
                        _SH_DENYNO,
                        _S_IREAD | _S_IWRITE);
  refusal[0] = '\0';
  if (fd < 0) {
    *error = errno;
    return false;
  }
  // Judged through the open handle: one left by someone else, or one others
  // may open, would let them hold the byte and hold up every line.
  SetRefusal(ForeignFileRefusal(OsHandle(fd), true, path));
  if (refusal[0] != '\0') {
    _close(fd);
    *error = EPERM;
    return false;
  }
  *handle = fd;
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

void Win32ByteLock::CloseLockFile(LockHandle handle) { _close(static_cast<int>(handle)); }

}  // namespace kestro
