#include "platform/win32/system_text_win32.h"

#include <cstdio>

#include "platform/win32/last_error_win32.h"

namespace kestro {

std::string SystemText(DWORD code) {
  std::string text = Win32LastError().EnglishMessage(code, 256);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (!text.empty()) return text;
  char number[16];
  std::snprintf(number, sizeof number, "error 0x%lx", static_cast<unsigned long>(code));
  return number;
}

}  // namespace kestro
