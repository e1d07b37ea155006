#pragma once
// How a command line falls into words, the same on every system: at blanks
// and tabs, double quotes grouping (and dropped), as a Windows program's
// start-up code reads its own.
#include <string>
#include <vector>

namespace kestro {

std::vector<std::string> CommandWords(const std::string& line);

}  // namespace kestro
