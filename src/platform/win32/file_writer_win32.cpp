#include "platform/win32/file_writer_win32.h"

#include <windows.h>

namespace kestro {

bool Win32FileWriter::WriteNewFile(const std::string& path, const std::string& bytes) {
  // CREATE_NEW fails on anything already there, a link included.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (ok && written != bytes.size()) {
    SetLastError(ERROR_DISK_FULL);
    ok = FALSE;
  }
  // On the disk before the rename, or a crash could leave an empty file
  // under the final name.
  if (ok) ok = FlushFileBuffers(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) SetLastError(error);
  return ok != FALSE;
}

bool Win32FileWriter::MoveOver(const std::string& from, const std::string& to) {
  // One call that replaces, there since Windows 2000; ReplaceFileA would
  // want the target to exist already.
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace kestro
