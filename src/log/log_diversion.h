#pragma once
#include <string>
#include <vector>

namespace kestro {

// While a sink is set, log lines and event-log entries go into it instead
// of the files and the event log: a reader run for a check reports what it
// would have logged, and nothing is written. Null ends the diversion. Set
// and cleared on the main thread while no other thread logs.
void DivertLog(std::vector<std::string>* sink);

// True, and the text taken into the sink, while the log is diverted.
bool Diverted(const std::string& text);

}  // namespace kestro
