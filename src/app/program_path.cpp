#include "app/program_path.h"

namespace kestro {

ProgramPathParts SplitProgramPath(const std::string& path, char separator) {
  const std::string::size_type last = path.rfind(separator);
  if (last == std::string::npos) return {"", path};
  return {path.substr(0, last), path.substr(last + 1)};
}

}  // namespace kestro
