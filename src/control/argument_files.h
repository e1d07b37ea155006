#pragma once
// The files a command's argument names by their full path, such as the
// script of "/bin/sh /opt/sync/run.sh": they run with the program's rights
// as much as the program itself.
#include <string>
#include <vector>

#include "platform/host.h"

namespace kestro {

// Whether `word` is a full path: on Windows (separator '\') one with a drive
// ("C:\", "C:/") or a UNC path ("\\server\share"), elsewhere one starting
// with "/".
bool IsFullPath(const std::string& word, char separator = kPathSeparator[0]);

// The words of `argument` after the program's own name that are full paths.
std::vector<std::string> FullPathWords(const std::string& argument, char separator = kPathSeparator[0]);

}  // namespace kestro
