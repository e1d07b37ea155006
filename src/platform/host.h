#pragma once
// Facts of the system the program was built for.
namespace kestro {

// Joins a directory and a file name: "\" on Windows, "/" elsewhere.
extern const char kPathSeparator[];
// Log directory used when "LogDir" is missing or empty.
extern const char kDefaultLogDir[];

}  // namespace kestro
