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
  // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ). On a 64-bit
  // Windows a key missing from the program's own registry view is then
  // looked for in the other one (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
  virtual bool OpenKey(const std::string& path, RegKey* key) = 0;
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
