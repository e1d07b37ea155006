#include <windows.h>

#include "platform/win32/file_security_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/system_text_win32.h"

namespace kestro {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool IsLockFile(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".lck") == 0;
}

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// "C:" alone names the drive's current directory; the log folder "C:" is
// its root, where the writer's "C:\Kestro-2.txt" lies.
std::string FolderItself(const std::string& directory) {
  return directory.size() == 2 && directory[1] == ':' ? directory + "\\" : directory;
}

// Opened and judged as the log writer opens and judges it, without
// creating it or changing its rights.
std::string OwnFileProblem(const std::string& path, std::vector<std::string>* notes) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return Missing(error) ? "" : Quoted(path) + " cannot be read: " + SystemText(error);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return Quoted(path) + " is not a regular file";
  // A lock file is held to the stricter rule: nobody else may open it.
  const bool lockFile = IsLockFile(path);
  HANDLE file = OpenOwnFile(path, lockFile, OPEN_EXISTING, nullptr, false);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (Missing(error)) return "";
    return Quoted(path) + (lockFile ? " may not be opened: " : " may not be written: ") + SystemText(error);
  }
  const OwnFileVerdict verdict = JudgeOpenFile(file, lockFile);
  CloseHandle(file);
  if (verdict.refusal.empty()) return "";
  if (!verdict.narrowable) return Quoted(path) + " " + verdict.refusal;
  notes->push_back(Quoted(path) + " " + verdict.refusal +
                   ": the writer gives it the program's rights, then uses it");
  return "";
}

}  // namespace

std::string Win32Files::FolderProblem(const std::string& directory,
                                      const std::vector<std::string>& names,
                                      std::vector<std::string>* notes) {
  const std::string folder = FolderItself(directory);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return Quoted(folder) + (Missing(error) ? " does not exist" : " cannot be read: " + SystemText(error));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Quoted(folder) + " is not a folder";
  HANDLE handle = CreateFileA(folder.c_str(), FILE_ADD_FILE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return Quoted(folder) + " may not be written: " + SystemText(GetLastError());
  bool keepsAccessLists = true;
  bool share = false;
  ReadVolume(handle, &keepsAccessLists, &share);
  CloseHandle(handle);
  if (!keepsAccessLists) {
    const std::string problem = Quoted(folder) +
                                " lies on a volume that keeps no access lists (FAT, exFAT): anyone may "
                                "change its files, which the writer uses as they are";
    // Whoever holds the lock file's byte there holds up every line for a
    // minute and then drops it: a log folder there is a finding.
    for (const std::string& name : names)
      if (IsLockFile(name)) return problem;
    notes->push_back(problem);
  }
  for (const std::string& name : names) {
    const std::string problem = OwnFileProblem(directory + "\\" + name, notes);
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace kestro
