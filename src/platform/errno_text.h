#pragma once
// The C runtime's text for an errno value, safe to call from any thread (the
// log's error paths run on the watcher thread and the pass's thread alike).
#include <string>

namespace kestro {

std::string ErrnoText(int error);

}  // namespace kestro
