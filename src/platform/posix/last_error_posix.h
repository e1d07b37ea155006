#pragma once
#include <cstdint>
#include <string>

#include "platform/last_error.h"

namespace kestro {

// The last error is errno; its text is the C library's, except after a
// failed call to the service manager: there the manager's own message
// ("Unit nosuch.service not found.") is the text of the code it set.
class PosixLastError : public LastError {
 public:
  std::uint32_t Get() override;
  bool SystemMessage(std::uint32_t code, std::string* text) override;
  std::string EnglishMessage(std::uint32_t code, std::size_t size) override;
};

// Sets errno to `code` and keeps `message` as its text on this thread,
// until ForgetServiceManagerError (the manager's handle is closed) or the
// next such error.
void SetServiceManagerError(int code, const std::string& message);
void ForgetServiceManagerError();

}  // namespace kestro
