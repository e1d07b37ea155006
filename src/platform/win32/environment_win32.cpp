#include "platform/win32/environment_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {

std::string Win32Environment::Get(const std::string& name) {
  // The value may change between the size query and the read: try again.
  for (DWORD size = 256;;) {
    std::vector<char> value(size);
    const DWORD n = GetEnvironmentVariableA(name.c_str(), value.data(), size);
    if (n == 0) return "";
    if (n < size) return std::string(value.data(), n);
    size = n;
  }
}

}  // namespace kestro
