#pragma once
// What the packaged unit gives the service beyond its program: the files it
// may write and the environment file it reads. Pure functions over the
// unit's text and the files' text: no bus, no files.
#include <string>

namespace kestro {

// Why the service that `unitText` describes may not write in `path` (an
// absolute path without links), as "ProtectSystem=full": the setting that
// makes it read-only or out of reach; empty when it may. The most specific
// path decides, as systemd mounts them.
std::string UnitWriteProblem(const std::string& unitText, const std::string& path);

// The file EnvironmentFile= names, without its "-"; empty when none.
std::string UnitEnvironmentFile(const std::string& unitText);

// The value an environment file in systemd's syntax gives `name` (its last
// assignment, quotes taken off); false when it gives none.
bool EnvironmentFileValue(const std::string& fileText, const std::string& name,
                          std::string* value);

}  // namespace kestro
