#include "platform/posix/last_error_posix.h"

#include <cerrno>
#include <cstring>

namespace kestro {
namespace {
// The message of the last failed service manager call of this thread.
thread_local int managerCode = 0;
thread_local std::string managerMessage;
}  // namespace

void SetServiceManagerError(int code, const std::string& message) {
  managerCode = code;
  managerMessage = message;
  errno = code;
}

void ForgetServiceManagerError() {
  managerCode = 0;
  managerMessage.clear();
}

std::uint32_t PosixLastError::Get() { return static_cast<std::uint32_t>(errno); }

bool PosixLastError::SystemMessage(std::uint32_t code, std::string* text) {
  if (managerCode != 0 && static_cast<std::uint32_t>(managerCode) == code &&
      !managerMessage.empty()) {
    *text = managerMessage;
    return true;
  }
  char buffer[256];
  // The GNU strerror_r returns its text, which may not be in the buffer.
  const char* message = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  if (message == nullptr || std::strncmp(message, "Unknown error", 13) == 0) return false;
  *text = message;
  return true;
}

std::string PosixLastError::EnglishMessage(std::uint32_t code, std::size_t size) {
  std::string text;
  if (!SystemMessage(code, &text)) return "";
  return text.substr(0, size > 0 ? size - 1 : 0);
}

}  // namespace kestro
