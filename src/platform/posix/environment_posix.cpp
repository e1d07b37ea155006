#include "platform/posix/environment_posix.h"

#include <cstdlib>

namespace kestro {

std::string PosixEnvironment::Get(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

}  // namespace kestro
