#pragma once
// The calling thread's last error and the system's text for an error code.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestro {

class LastError {
 public:
  virtual ~LastError() = default;
  // GetLastError.
  virtual std::uint32_t Get() = 0;
  // FormatMessageA(ALLOCATE_BUFFER | FROM_SYSTEM | ARGUMENT_ARRAY |
  // IGNORE_INSERTS, code, language 0), the system's buffer released before
  // returning; inserts such as "%1" stay in the text. False when the system
  // has no text for the code.
  virtual bool SystemMessage(std::uint32_t code, std::string* text) = 0;
  // FormatMessageA(FROM_SYSTEM | IGNORE_INSERTS, code, English (United States)) into a
  // buffer of `size` characters, the text as it comes; empty when there is none.
  virtual std::string EnglishMessage(std::uint32_t code, std::size_t size) = 0;
};

}  // namespace kestro
