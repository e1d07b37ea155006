#pragma once
// Standard output and standard error.
#include <string>

namespace kestro {

enum class Stream { Output, Error };

class Console {
 public:
  virtual ~Console() = default;
  virtual void Write(Stream stream, const std::string& text) = 0;
  virtual void Flush(Stream stream) = 0;
};

}  // namespace kestro
