#pragma once
#include <windows.h>

#include <string>

namespace kestro {

// Reads the owner and access list of an open file (the handle needs
// READ_CONTROL) and judges them with OwnFileRefusal: why the file may not be
// used, as a phrase after "it"; empty when it may.
std::string ForeignFileRefusal(HANDLE file, bool lockFile);

}  // namespace kestro
