#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {
namespace {

// The flag that opens the other registry view of a 64-bit Windows, or 0
// where there is none. A 64-bit program always runs where the 32-bit view
// exists. A 32-bit one asks whether it runs under WOW64; systems without it
// reject the flags, and the oldest lack IsWow64Process itself.
REGSAM OtherView() {
#ifdef _WIN64
  return KEY_WOW64_32KEY;
#else
  typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return 0;
  const IsWow64ProcessFunction isWow64 = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64 == nullptr || !isWow64(GetCurrentProcess(), &wow64) || !wow64) return 0;
  return KEY_WOW64_64KEY;
#endif
}

}  // namespace

bool Win32Registry::OpenKey(const std::string& path, RegKey* key) {
  HKEY handle = nullptr;
  LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &handle);
  // Settings written by the other kind of program (a 64-bit reg.exe for a
  // 32-bit Kestro.exe, or the reverse) are in the other view; the program's
  // own view stays first, where existing installations keep theirs.
  if (error == ERROR_FILE_NOT_FOUND) {
    const REGSAM other = OtherView();
    if (other != 0)
      error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | other, &handle);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(error));  // why, for whoever asks
    return false;
  }
  *key = reinterpret_cast<RegKey>(handle);
  return true;
}

bool Win32Registry::QueryDword(RegKey key, const std::string& name, std::uint32_t* value) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return false;
  // A value of another type is treated as unreadable.
  if (type != REG_DWORD || size != sizeof data) return false;
  *value = data;
  return true;
}

bool Win32Registry::QueryText(RegKey key, const std::string& name, std::size_t size,
                              std::string* value) {
  std::vector<char> buffer(size + 1, '\0');
  DWORD type = 0;
  DWORD got = static_cast<DWORD>(size);
  if (RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // Text stored without its NUL that fills the whole buffer did not fit.
  const std::string text(buffer.data(), strnlen(buffer.data(), got));
  if (text.size() >= size) return false;
  *value = text;
  return true;
}

bool Win32Registry::HasValue(RegKey key, const std::string& name) {
  const LONG error = RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, nullptr,
                                      nullptr, nullptr);
  return error == ERROR_SUCCESS || error == ERROR_MORE_DATA;
}

void Win32Registry::CloseKey(RegKey key) { RegCloseKey(reinterpret_cast<HKEY>(key)); }

long Win32Registry::CreateKeyEx(const std::string& path, RegKey* key) {
  HKEY handle = nullptr;
  const LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &handle, nullptr);
  *key = reinterpret_cast<RegKey>(handle);
  return error;
}

long Win32Registry::CreateKey(const std::string& path, RegKey* key) {
  HKEY handle = nullptr;
  const LONG error = RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &handle);
  *key = reinterpret_cast<RegKey>(handle);
  return error;
}

long Win32Registry::SetText(RegKey key, const std::string& name, const std::string& text,
                            bool expandable) {
  return RegSetValueExA(reinterpret_cast<HKEY>(key), name.c_str(), 0,
                        expandable ? REG_EXPAND_SZ : REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

long Win32Registry::SetDword(RegKey key, const std::string& name, std::uint32_t value) {
  const DWORD data = value;
  return RegSetValueExA(reinterpret_cast<HKEY>(key), name.c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace kestro
