#pragma once
#include <cstdint>
#include <string>

namespace kestro {

// Runs `command` with the command line `argument` + " start" (or " stop"),
// waits for it without limit and logs what it runs and how it ended. Returns
// its exit code, or 1 when it cannot be created or is not run because others
// than the administrators could change it, or a file its argument names by
// its full path (one line in the log; the event log hears of it at most
// once an hour).
std::uint32_t RunCommand(std::string command, std::string argument, int start);

// The command line a command is run with: `argument` + " start" (or " stop").
std::string ActionCommandLine(const std::string& argument, int start);

// Starts the child with a console of its own and waits for it to end.
std::uint32_t RunChildProcess(const char* application, const char* commandLine);

}  // namespace kestro
