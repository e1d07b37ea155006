#include <windows.h>

#include "platform/win32/file_security_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/system_text_win32.h"

namespace kestro {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Opening with `access` and closing again changes nothing: whether the
// program would be let in.
std::string Refused(const std::string& path, DWORD access, DWORD flags, const char* what) {
  HANDLE handle = CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Quoted(path) + " " + what + ": " + SystemText(GetLastError());
  CloseHandle(handle);
  return "";
}

std::string OwnFileProblem(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return Missing(error) ? "" : Quoted(path) + " cannot be read: " + SystemText(error);
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Quoted(path) + " is a symbolic link";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Quoted(path) + " is not a regular file";
  const std::string refused = Refused(path, FILE_APPEND_DATA, 0, "may not be written");
  if (!refused.empty()) return refused;
  // Judged as the log writer judges it, without changing its rights.
  HANDLE handle = CreateFileA(path.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Quoted(path) + " cannot be read: " + SystemText(GetLastError());
  // A lock file is held to the stricter rule: nobody else may open it.
  const bool lockFile = path.size() > 4 && path.compare(path.size() - 4, 4, ".lck") == 0;
  const std::string refusal = ForeignFileRefusal(handle, lockFile, "");
  CloseHandle(handle);
  return refusal.empty() ? "" : Quoted(path) + " " + refusal;
}

}  // namespace

std::string Win32Files::FolderProblem(const std::string& directory,
                                      const std::vector<std::string>& names) {
  const DWORD attributes = GetFileAttributesA(directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return Quoted(directory) + (Missing(error) ? " does not exist" : " cannot be read: " + SystemText(error));
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Quoted(directory) + " is not a folder";
  const std::string refused =
      Refused(directory, FILE_ADD_FILE, FILE_FLAG_BACKUP_SEMANTICS, "may not be written");
  if (!refused.empty()) return refused;
  for (const std::string& name : names) {
    const std::string problem = OwnFileProblem(directory + "\\" + name);
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace kestro
