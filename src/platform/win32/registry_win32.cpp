#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {
namespace {

// Whether this program sees two registry views. A 64-bit program always
// runs where the 32-bit view exists. A 32-bit one asks whether it runs under
// WOW64; systems without it reject the view flags, and the oldest lack
// IsWow64Process itself.
bool SeesViews() {
#ifdef _WIN64
  return true;
#else
  typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return false;
  const IsWow64ProcessFunction isWow64 = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

long Open(const std::string& path, REGSAM view, RegKey* key) {
  HKEY handle = nullptr;
  const LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &handle);
  if (error != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(error));  // why, for whoever asks
    return error;
  }
  *key = reinterpret_cast<RegKey>(handle);
  return 0;
}

}  // namespace

bool Win32Registry::OpenKey(const std::string& path, RegKey* key) { return Open(path, 0, key) == 0; }

bool Win32Registry::HasViews() {
  static const bool views = SeesViews();
  return views;
}

long Win32Registry::OpenKeyInView(const std::string& path, bool wide, RegKey* key) {
  return Open(path, wide ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, key);
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
