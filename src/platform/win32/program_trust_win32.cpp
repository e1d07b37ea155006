#include <windows.h>

#include <vector>

#include "platform/program_file_security.h"
#include "platform/win32/child_processes_win32.h"
#include "platform/win32/file_security_win32.h"

namespace kestro {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The file CreateProcessA takes for an application name: the name completed
// from the current drive and folder, no search path, no extension added.
std::string FullPath(const std::string& application) {
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = GetFullPathNameA(application.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return "";
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n);
  }
  return "";
}

// How long the root of a full path is: "C:\", "\\server\share\", either
// after "\\?\"; 0 for another form.
std::string::size_type RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.compare(0, 4, "\\\\?\\") == 0) {
    const std::string::size_type inner = RootLength(path.substr(4));
    return inner == 0 ? 0 : inner + 4;
  }
  if (path.compare(0, 2, "\\\\") != 0) return 0;
  const std::string::size_type server = path.find('\\', 2);
  const std::string::size_type share = server == std::string::npos ? server : path.find('\\', server + 1);
  return share == std::string::npos ? 0 : share + 1;
}

// Judges `path` (a folder above the program when `folder`) as opened with
// `flags`; `missing` tells that there is nothing there.
std::string JudgeOpened(const std::string& path, bool folder, DWORD flags, bool* missing) {
  HANDLE handle = CreateFileA(path.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  const std::string lies = folder ? "lies in \"" + path + "\", which " : "";
  std::string why;
  FileSecurity security;
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    if (*missing) return "";
    return lies + "has an owner and rights that could not be read (error " + std::to_string(error) + ")";
  }
  const bool read = ReadFileSecurity(handle, &security, &why);
  CloseHandle(handle);
  if (!read) return lies + why;
  return ProgramRefusal(security, folder ? path : "");
}

// A link (a symbolic link, a junction) is judged itself, as whoever may
// change it chooses where it leads, and then what it leads to.
std::string Judge(const std::string& path, bool folder, bool* missing) {
  const std::string refusal = JudgeOpened(path, folder, FILE_FLAG_OPEN_REPARSE_POINT, missing);
  if (!refusal.empty() || *missing) return refusal;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return "";
  return JudgeOpened(path, folder, 0, missing);
}

}  // namespace

std::string Win32ChildProcesses::TrustProblem(const std::string& application) {
  const std::string path = FullPath(application);
  if (path.empty()) return "";
  const std::string::size_type root = RootLength(path);
  // A volume without access lists (FAT) lets every user change every file
  // on it, this program's own included: there is nothing to judge.
  // Asked of the file's own handle, as the log writer asks: the volume query
  // by root name makes Wine complain on standard error at every call.
  HANDLE file = CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    bool keepsAccessLists = true;
    bool share = false;
    ReadVolume(file, &keepsAccessLists, &share);
    ::CloseHandle(file);
    if (!keepsAccessLists) return "";
  }
  bool missing = false;
  std::string refusal = Judge(path, false, &missing);
  if (!refusal.empty() || missing || root == 0) return refusal;
  // The folders from the root down: "C:\", "C:\Tools", ...
  for (std::string::size_type end = root; end != std::string::npos; end = path.find('\\', end + 1)) {
    refusal = Judge(path.substr(0, end), true, &missing);
    if (!refusal.empty()) return refusal;
  }
  return "";
}

}  // namespace kestro
