#pragma once
#include <cstddef>

namespace kestro {

// Fills `buffer` with the system's text for the calling thread's last error,
// without its line end, then " (0x%x)" with the code. The buffer must hold the
// system's text plus 14 characters; otherwise, and for a code without a text,
// it holds the empty text. Returns `buffer`.
char* GetLastErrorText(char* buffer, std::size_t size);

}  // namespace kestro
