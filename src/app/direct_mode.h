#pragma once

namespace kestro {

class MonitorApp;

// Writes the two start lines and runs the console driver until the process
// is killed.
[[noreturn]] void RunDirectMode(MonitorApp& app);

}  // namespace kestro
