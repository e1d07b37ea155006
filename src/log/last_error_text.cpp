#include "log/last_error_text.h"

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace kestro {

char* GetLastErrorText(char* buffer, std::size_t size) {
  if (size == 0) return buffer;
  const std::uint32_t code = Os().lastError->Get();
  std::string text;
  if (!Os().lastError->SystemMessage(code, &text) || text.empty() || size < text.size() + 14) {
    buffer[0] = '\0';
    return buffer;
  }
  // System messages end in CR LF; cut it only where it is really there, so a
  // text without one keeps its last characters.
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
    text.resize(text.size() - 2);
  }
  std::snprintf(buffer, size, "%s (0x%x)", text.c_str(), static_cast<unsigned>(code));
  return buffer;
}

}  // namespace kestro
