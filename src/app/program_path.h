#pragma once
#include <string>

#include "platform/host.h"

namespace kestro {

struct ProgramPathParts {
  std::string directory;
  std::string fileName;
};

// Splits at the last separator: the directory before it, the file name after
// it. Without a separator the directory is empty and the name the whole path.
ProgramPathParts SplitProgramPath(const std::string& path, char separator = kPathSeparator[0]);

}  // namespace kestro
