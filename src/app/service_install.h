#pragma once
#include <string>

namespace kestro {

inline constexpr char kServiceDisplayName[] = "Kestro and IP Helper";
inline constexpr char kServiceDescription[] =
    "IP helper for checking networked status. Start/stop services or run commands.";
inline constexpr char kEventSourceKey[] =
    "System\\CurrentControlSet\\Services\\EventLog\\Application\\Kestro";

// The service's command line: the program path and " -service", the path in
// double quotes when it holds a blank.
std::string ServiceCommandLine(const std::string& programPath);

// Registers the event source and creates the automatically started service.
// Returns 0, 1, 2, 4 or 8; ends the process with 1 when a registry step fails.
int InstallService();

// Removal's code for a service that installation did not create (on
// systemd, a package's unit): nothing is stopped, disabled or deleted.
inline constexpr int kRemoveNotOurs = 8;

// Stops the service if it runs, waiting for it, and deletes it. Returns 0, 1,
// 2, 4 or 8.
int RemoveService();

// Stores `text` as the service's "Description" value; failures are silent.
void WriteServiceDescription(const std::string& name, const std::string& text);

}  // namespace kestro
