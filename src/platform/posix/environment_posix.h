#pragma once
#include "platform/environment.h"

namespace kestro {

class PosixEnvironment : public Environment {
 public:
  std::string Get(const std::string& name) override;
  void Set(const std::string& name, const std::string& value) override;
  ServiceVariable FromServiceFile(const std::string& name) override;
};

}  // namespace kestro
