#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {

bool Win32Registry::OpenKey(const std::string& path, RegKey* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
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
