#include "platform/win32/shared_file_win32.h"

#include <windows.h>

namespace kestro {

bool Win32SharedFile::OpenForReading(const std::string& path, ReadHandle* handle) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  *handle = reinterpret_cast<ReadHandle>(file);
  return true;
}

long Win32SharedFile::Read(ReadHandle handle, char* buffer, std::size_t size) {
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle), buffer, static_cast<DWORD>(size), &got, nullptr))
    return -1;
  return static_cast<long>(got);
}

void Win32SharedFile::CloseFile(ReadHandle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

}  // namespace kestro
