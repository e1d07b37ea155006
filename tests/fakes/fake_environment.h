#pragma once
// The environment variables, in memory.
#include <cstring>

#include "fakes/fault_plan.h"
#include "platform/environment.h"

namespace kestro::testing {

class FakeEnvironment : public Environment {
 public:
  std::map<std::string, std::string> variables;
  std::vector<std::string> read;
  std::string Get(const std::string& name) override {
    read.push_back(name);
    auto v = variables.find(name);
    return v == variables.end() ? "" : v->second;
  }
  void Set(const std::string& name, const std::string& value) override { variables[name] = value; }
  // What the service's own environment file gives; none unless set.
  ServiceVariable serviceFile;
  ServiceVariable FromServiceFile(const std::string&) override { return serviceFile; }
};

}  // namespace kestro::testing
