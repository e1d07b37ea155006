#pragma once
#include "platform/process.h"

namespace kestro {

class PosixProcess : public Process {
 public:
  [[noreturn]] void Exit(int code) override;
};

}  // namespace kestro
