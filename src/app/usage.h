#pragma once
#include <string>

namespace kestro {

inline constexpr int kExitHelp = 1;
inline constexpr int kExitInvalidArgument = 99;

// The usage block under `header`, on standard error.
void PrintUsage(const std::string& programPath, const std::string& header);

// The usage block headed "Help:" and the option list; ends the process with 1
// (a test platform may come back from that exit).
void PrintHelp(const std::string& programPath);

}  // namespace kestro
