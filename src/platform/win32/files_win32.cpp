#include "platform/win32/files_win32.h"

#include <windows.h>

#include "platform/win32/file_security_win32.h"
#include "platform/win32/own_file_rights_win32.h"

namespace kestro {
namespace {
// Plain characters: a thread-local string needs a destructor at thread exit,
// which the runtime registers through GetModuleHandleExW, an import the
// reviewed list for XP does not hold.
thread_local char refusal[256];
void SetRefusal(const std::string& text) { refusal[text.copy(refusal, sizeof refusal - 1)] = '\0'; }
}  // namespace

bool Win32Files::FileSize(const std::string& path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool Win32Files::RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool Win32Files::RenameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32Files::AppendToFile(const std::string& path, const std::string& bytes) {
  // A log created here gets the program's own rights, not its folder's.
  OwnFileRights rights(OwnFileRights::Readers::Users, ShareAccount(path));
  HANDLE file = OpenOwnFile(path, false, OPEN_ALWAYS, rights.Attributes(), true);
  // Asked before the thread-local text is touched: its first use on a
  // thread resets the last error.
  const DWORD opened = GetLastError();
  refusal[0] = '\0';
  if (file == INVALID_HANDLE_VALUE) return false;
  // One that was there already must be as the program would have made it.
  if (opened == ERROR_ALREADY_EXISTS) SetRefusal(RefusalAfterNarrowing(file, false));
  if (refusal[0] != '\0') {
    CloseHandle(file);
    return false;
  }
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return true;
}

std::vector<std::string> Win32Files::FileNames(const std::string& directory,
                                              const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\" + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string Win32Files::OpenRefusal() { return refusal; }

}  // namespace kestro
