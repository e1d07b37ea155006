#pragma once

namespace kestro {

// The whole program once the platform is in place: builds the application
// object, reads the command line and runs the mode it selects. Returns the
// process exit code when the mode ends by returning.
int RunProgram(const char* const* argv);

}  // namespace kestro
