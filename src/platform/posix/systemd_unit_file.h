#pragma once
// The unit file of the program's own service: written by installation,
// removed by removal, and told apart from a unit defined elsewhere.
#include <string>

#include "platform/posix/systemd_bus.h"

namespace kestro {

// Creates `file` with `text`; a file already there is an error.
bool WriteUnitFile(const std::string& file, const std::string& text);

// Removes what a failed installation wrote (and reloads the manager when
// `reload`), keeping the error of the step that failed.
void UndoUnitFile(const Bus& bus, const std::string& file, bool reload);

// Deletes `file`.
bool RemoveUnitFile(const std::string& file);

// Whether the unit at `path` comes from `file` (the one installation
// writes) or from elsewhere, then naming where. False when the unit's
// FragmentPath cannot be read.
bool UnitDefinedElsewhere(const Bus& bus, const std::string& path, const std::string& unit,
                          const std::string& file, bool* elsewhere, std::string* origin);

}  // namespace kestro
