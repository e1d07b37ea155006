#pragma once
// Facts of the system the program was built for.
namespace kestro {

// Joins a directory and a file name: "\" on Windows, "/" elsewhere.
extern const char kPathSeparator[];
// Log directory used when "LogDir" is missing or empty.
extern const char kDefaultLogDir[];
// The help lines of -installservice, -removeservice and -service, which name
// the system's service manager.
extern const char kServiceOptionsHelp[];

// The account the service runs as, whose own files a slot's program may be:
// -check judges for it whoever runs -check.
extern const char kServiceAccount[];

}  // namespace kestro
