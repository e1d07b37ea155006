#pragma once
// The process environment.
#include <string>

namespace kestro {

// A variable as the service manager gives it to the service from a file of
// its own (Linux: the environment file the packaged unit names).
struct ServiceVariable {
  std::string file;     // that file; empty where the service has none
  std::string refusal;  // why it was not read, as a phrase after its name
  bool there = false;   // the file was read
  bool found = false;   // and gives the variable `value`
  std::string value;
};

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; an unset variable reads as empty.
  virtual std::string Get(const std::string& name) = 0;
  // Sets the variable for this process.
  virtual void Set(const std::string&, const std::string&) {}
  // `name` as the service gets it from its own file, read only when nobody
  // but root and this program's user may change it (as the settings file).
  virtual ServiceVariable FromServiceFile(const std::string&) { return {}; }
};

}  // namespace kestro
