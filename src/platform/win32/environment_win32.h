#pragma once
#include "platform/environment.h"

namespace kestro {

class Win32Environment : public Environment {
 public:
  std::string Get(const std::string& name) override;
};

}  // namespace kestro
