#include "platform/win32/last_error_win32.h"

#include <windows.h>

namespace kestro {

std::uint32_t Win32LastError::Get() { return GetLastError(); }

bool Win32LastError::SystemMessage(std::uint32_t code, std::string* text) {
  char* message = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                 nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  const bool found = n != 0 && message != nullptr;
  if (found) *text = std::string(message, n);
  if (message != nullptr) LocalFree(message);
  return found;
}

}  // namespace kestro
