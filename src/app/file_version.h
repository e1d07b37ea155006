#pragma once
#include <string>

namespace kestro {

inline constexpr char kFileVersionEntry[] = "\\StringFileInfo\\040904B0\\FileVersion";

// The FileVersion text of the program's own version resource; empty when the
// file has none.
std::string GetFileVersionText();

}  // namespace kestro
