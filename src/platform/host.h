#pragma once
// Facts of the system the program was built for.
namespace kestro {

// Joins a directory and a file name: "\" on Windows, "/" elsewhere.
extern const char kPathSeparator[];
// The account the service runs as, for which -check judges a slot's
// program; empty where -check judges for whoever runs it.
extern const char kServiceAccount[];
// Log directory used when "LogDir" is missing or empty.
extern const char kDefaultLogDir[];
// The help lines of -installservice, -removeservice and -service, which name
// the system's service manager.
extern const char kServiceOptionsHelp[];

}  // namespace kestro
