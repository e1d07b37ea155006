#pragma once
#include <string>

#include "platform/console.h"

namespace kestro::testing {

class FakeConsole : public Console {
 public:
  std::string out;
  std::string err;
  int flushes = 0;
  void Write(Stream s, const std::string& text) override { (s == Stream::Error ? err : out) += text; }
  void Flush(Stream) override { ++flushes; }
};

}  // namespace kestro::testing
