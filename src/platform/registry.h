#pragma once
// Read access to the settings key under HKEY_LOCAL_MACHINE.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

using RegKey = std::uintptr_t;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ), in the program's
  // own registry view. Where the system has two views, the program reads
  // through RegistryViews, which opens the key in both.
  virtual bool OpenKey(const std::string& path, RegKey* key) = 0;
  // Whether the registry has a 64-bit and a 32-bit view (64-bit Windows).
  virtual bool HasViews() { return false; }
  // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY,
  // or KEY_WOW64_32KEY when not `wide`): the key in one view. The system's
  // error code, 0 on success; the last error is set as by OpenKey.
  virtual long OpenKeyInView(const std::string& path, bool wide, RegKey* key) {
    (void)path, (void)wide, (void)key;
    return 2;  // ERROR_FILE_NOT_FOUND: there are no views
  }
  // The view that the value `name` of an open key is read from, where the
  // key is in both views: "64-bit" or "32-bit"; empty otherwise, and for a
  // value in neither.
  virtual std::string ValueView(RegKey key, const std::string& name) {
    (void)key, (void)name;
    return "";
  }
  // RegQueryValueExA into a four-byte buffer. A missing value or one that is
  // not a 32-bit number fails.
  virtual bool QueryDword(RegKey key, const std::string& name, std::uint32_t* value) = 0;
  // RegQueryValueExA into a buffer of `size` bytes; the text ends at the first
  // NUL. Fails for a missing value, a value that is not text, or data that
  // does not fit the buffer with its terminating NUL.
  virtual bool QueryText(RegKey key, const std::string& name, std::size_t size,
                         std::string* value) = 0;
  // RegQueryValueExA without a buffer: true when the value exists, whatever
  // its type and size.
  virtual bool HasValue(RegKey key, const std::string& name) = 0;
  // RegCloseKey.
  virtual void CloseKey(RegKey key) = 0;
  // Why this thread's last OpenKey failed when the store itself was refused
  // rather than the key missing; empty otherwise. The registry of Windows
  // has no such case.
  virtual std::string OpenKeyProblem() { return ""; }

  // RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, no class, non-volatile,
  // KEY_WRITE); the system's error code, 0 on success.
  virtual long CreateKeyEx(const std::string& path, RegKey* key) = 0;
  // RegCreateKeyA(HKEY_LOCAL_MACHINE, path); 0 on success.
  virtual long CreateKey(const std::string& path, RegKey* key) = 0;
  // RegSetValueExA with REG_SZ or REG_EXPAND_SZ data and its NUL; 0 on success.
  virtual long SetText(RegKey key, const std::string& name, const std::string& text,
                       bool expandable) = 0;
  // RegSetValueExA with REG_DWORD data; 0 on success.
  virtual long SetDword(RegKey key, const std::string& name, std::uint32_t value) = 0;
};

}  // namespace kestro
