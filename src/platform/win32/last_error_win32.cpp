#include "platform/win32/last_error_win32.h"

#include <windows.h>

#include <vector>

namespace kestro {

// Texts with inserts ("%1 is not a valid Win32 application.") are kept as
// they are: without IGNORE_INSERTS the system fails them, having no
// arguments to insert.

std::uint32_t Win32LastError::Get() { return GetLastError(); }

bool Win32LastError::SystemMessage(std::uint32_t code, std::string* text) {
  char* message = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  const bool found = n != 0 && message != nullptr;
  if (found) *text = std::string(message, n);
  if (message != nullptr) LocalFree(message);
  return found;
}

std::string Win32LastError::EnglishMessage(std::uint32_t code, std::size_t size) {
  std::vector<char> buffer(size + 1, '\0');
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                 MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer.data(),
                                 static_cast<DWORD>(size), nullptr);
  return std::string(buffer.data(), n);
}

}  // namespace kestro
