#pragma once
#include <windows.h>

#include <string>

namespace kestro {

struct FileSecurity;

// Reads the owner and the allowing entries that apply to an open file (the
// handle needs READ_CONTROL); false when they could not be read, `why` then
// saying so as a phrase after "it".
bool ReadFileSecurity(HANDLE file, FileSecurity* security, std::string* why);

// Reads the owner and access list of an open file (the handle needs
// READ_CONTROL) and judges them with OwnFileRefusal: why the file may not be
// used, as a phrase after "it"; empty when it may. With `narrowPath` (the
// open file's own path), a file of the program's own whose rights are only
// too wide is given the program's rights first; without it nothing changes.
std::string ForeignFileRefusal(HANDLE file, bool lockFile, const std::string& narrowPath);

}  // namespace kestro
