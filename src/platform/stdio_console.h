#pragma once
#include "platform/console.h"

namespace kestro {

// Standard output and error through the C runtime, as both systems have it.
class StdioConsole : public Console {
 public:
  void Write(Stream stream, const std::string& text) override;
  void Flush(Stream stream) override;
};

}  // namespace kestro
