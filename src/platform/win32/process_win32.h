#pragma once
#include "platform/process.h"

namespace kestro {

class Win32Process : public Process {
 public:
  [[noreturn]] void Exit(int code) override;
};

}  // namespace kestro
