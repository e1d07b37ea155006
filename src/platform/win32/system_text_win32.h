#pragma once
#include <windows.h>

#include <string>

namespace kestro {

// The system's English text for `code`, without its line end; the code in
// hexadecimal when there is none.
std::string SystemText(DWORD code);

}  // namespace kestro
