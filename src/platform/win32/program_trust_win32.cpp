#include <windows.h>

#include <vector>

#include "platform/program_file_security.h"
#include "platform/win32/child_processes_win32.h"
#include "platform/win32/file_security_win32.h"

namespace kestro {
namespace {

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

// GetFinalPathNameByHandleA (Vista on), looked up at run time: where a path
// through links really leads ("\\?\D:\Real\Tools\a.exe").
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
FinalPathFunction FinalPathQuery() {
  static const FinalPathFunction query = [] {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
  }();
  return query;
}

std::string FinalPath(HANDLE handle) {
  const FinalPathFunction query = FinalPathQuery();
  if (query == nullptr) return "";
  std::vector<char> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = query(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (n == 0) return "";
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
  return "";
}

// Whether this program's own file lies on a volume that keeps access lists.
bool HostKeepsAccessLists() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return true;
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  bool keeps = true;
  bool share = false;
  ReadVolume(file, &keeps, &share);
  CloseHandle(file);
  return keeps;
}

// The judgement of one program's path. Every entry stays open without
// write or delete sharing in `held` until the caller lets it go, so that
// nothing judged can be changed, renamed or replaced before it is used.
class Walk {
 public:
  Walk(bool asService, std::vector<HANDLE>* held) : asService_(asService), held_(held) {}

  std::string Judge(const std::string& path) {
    const std::string::size_type root = WalkableRootLength(path);
    if (root == 0) return "is named by a path whose folders cannot be judged";
    std::vector<PathEntry> folders;
    PathEntry program;
    Open(path, root, &folders, &program);
    std::string refusal = Refusal(folders, program, FolderRole::HoldsProgram);
    if (!refusal.empty() || !linked_) return refusal;
    // A link leads elsewhere: the folders above where it leads are judged
    // too, the one that really holds the program as its own folder.
    const bool programThere = !program.path.empty() && !program.missing;
    const std::string final = FinalPath(lastOpened_);
    const std::string::size_type finalRoot = WalkableRootLength(final);
    if (finalRoot == 0) return "lies behind a link whose target's folders cannot be judged";
    const std::string::size_type cut = final.rfind('\\');
    if (cut + 1 <= finalRoot) return "";  // the target is a root
    std::vector<PathEntry> above;
    PathEntry none;
    Open(final.substr(0, cut + 1), finalRoot, &above, &none);
    return Refusal(above, none, programThere ? FolderRole::HoldsProgram : FolderRole::Above);
  }

 private:
  // Opens the folders from the root down, then the file unless `path` ends
  // in "\"; stops at the first that is missing or unreadable.
  void Open(const std::string& path, std::string::size_type root, std::vector<PathEntry>* folders,
            PathEntry* program) {
    for (std::string::size_type end = root; end != std::string::npos; end = path.find('\\', end + 1)) {
      folders->push_back(OpenEntry(path.substr(0, end == root ? root : end)));
      const PathEntry& folder = folders->back();
      if (folder.missing || !folder.unreadable.empty()) return;
    }
    if (path.back() != '\\') *program = OpenEntry(path);
  }

  PathEntry OpenEntry(const std::string& path) {
    PathEntry entry;
    entry.path = path;
    for (DWORD follow = 0; follow < 2; ++follow) {
      const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
      // Sharing binds only a handle that may read, write or delete: this one
      // may run the file or pass through the folder (FILE_EXECUTE, as
      // CreateProcessA opens a program), which leaves others only reading.
      HANDLE handle = CreateFileA(path.c_str(), FILE_EXECUTE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        if (missing && follow) {
          // What a link leads to may appear later, in folders not judged.
          entry.unreadable = "is a link to something missing, whose folders cannot be judged";
        } else if (missing) {
          entry.missing = true;
        } else if (error == ERROR_SHARING_VIOLATION) {
          entry.unreadable = "is open for changing elsewhere (error 32)";
        } else {
          entry.unreadable = "has an owner and rights that could not be read (error " + std::to_string(error) + ")";
        }
        return entry;
      }
      held_->push_back(handle);
      lastOpened_ = handle;
      FileSecurity security;
      bool share = false;
      ReadVolume(handle, &security.volumeKeepsAccessLists, &share);
      if (security.volumeKeepsAccessLists && !ReadFileSecurity(handle, &security, &entry.unreadable, asService_))
        return entry;
      entry.security.push_back(security);
      BY_HANDLE_FILE_INFORMATION info;
      if (follow || !GetFileInformationByHandle(handle, &info) ||
          !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return entry;
      linked_ = true;
    }
    return entry;
  }

  static bool WithoutAccessLists(const PathEntry& entry) {
    for (const FileSecurity& security : entry.security)
      if (!security.volumeKeepsAccessLists) return true;
    return false;
  }

  // This program's own volume is asked only when the path meets one
  // without access lists.
  std::string Refusal(const std::vector<PathEntry>& folders, const PathEntry& program, FolderRole deepest) {
    bool without = WithoutAccessLists(program);
    for (const PathEntry& folder : folders) without = without || WithoutAccessLists(folder);
    return PathRefusal(folders, program, deepest, !without || HostKeepsAccessLists());
  }

  bool asService_;
  std::vector<HANDLE>* held_;
  bool linked_ = false;
  HANDLE lastOpened_ = INVALID_HANDLE_VALUE;
};

// Wine runs every process, its services too, as the one account that
// started it: there the service's account is whoever runs this program.
bool ServicesRunAsEveryone() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::string Win32ChildProcesses::Judge(const std::string& application, bool asService, bool hold) {
  Release();
  std::vector<HANDLE> held;
  const std::string path = FullPath(application);
  const std::string refusal = path.empty() ? "is named by a path whose folders cannot be judged"
                                           : Walk(asService && !ServicesRunAsEveryone(), &held).Judge(path);
  if (hold && refusal.empty()) {
    held_ = held;
  } else {
    for (HANDLE handle : held) ::CloseHandle(handle);
  }
  return refusal;
}

void Win32ChildProcesses::Release() {
  for (void* handle : held_) ::CloseHandle(handle);
  held_.clear();
}

std::string Win32ChildProcesses::TrustProblem(const std::string& application) {
  return Judge(application, false, true);
}

}  // namespace kestro
