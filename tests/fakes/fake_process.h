#pragma once
#include "platform/process.h"

namespace kestro::testing {

// Thrown in place of ending the process.
struct ProcessExit {
  int code;
};

class FakeProcess : public Process {
 public:
  [[noreturn]] void Exit(int code) override { throw ProcessExit{code}; }
};

}  // namespace kestro::testing
