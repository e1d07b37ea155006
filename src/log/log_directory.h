#pragma once
#include <string>

namespace kestro {

// The directory of the log files: "LogDir" from the policy key, else from
// the settings key, read on first use and kept for the life of the process;
// the system's default when the value is missing, unreadable or empty.
std::string LogDirectory();

// Forgets the cached directory, so that tests can start afresh.
void ResetLogDirectory();

}  // namespace kestro
