#pragma once
// The process environment.
#include <string>

namespace kestro {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; an unset variable reads as empty.
  virtual std::string Get(const std::string& name) = 0;
};

}  // namespace kestro
